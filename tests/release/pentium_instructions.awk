# Reads "objdump -d" of i686 programs or static libraries and prints one
# line per instruction that a Pentium (P5, without MMX) cannot run:
# "member<TAB>function<TAB>instruction", the member empty outside an
# archive. What the Pentium runs is listed; everything else is named, so an
# instruction objdump cannot decode, and one of a CPU this list never
# heard of, fails too. Exits 3 when it read no instruction at all: a
# disassembly that holds none is no proof of anything.
#
#   labels=FILE  "address name" lines of the program's unstripped twin, for a
#                stripped program whose disassembly names no function
#
# The PE linker script places data inside .text after the code: the lists of
# constructors and destructors, and the C++ exception tables. objdump
# decodes their bytes as instructions; an unstripped program names those
# blocks, and each is skipped up to the next label.

function enter(name) {
    fn = name
    skip = (name ~ /^(_+[CD]TOR_LIST__|\.[cd]tors?(\..*)?|\.gcc_exc|\.gcc_except_table|_*etext)$/)
}

# AT&T names, as objdump prints them: an integer instruction may carry the
# operand size (movl, cmpb, pushw), an x87 one the memory format (s single
# or short integer, l double or long integer, ll quad integer, t extended).
function pentium_runs(mnemonic, operands) {
    # 8086 to 486. objdump names the string instructions movsl or stos.
    if (mnemonic ~ /^(aaa|aad|aam|aas|adc|add|and|bound|bsf|bsr|bt|btc|btr|bts|call|cmp|cmpxchg|dec|div|enter|idiv|imul|in|inc|int|iret|jmp|lcall|lea|leave|ljmp|lret|mov|mul|neg|not|or|out|pop|popa|popf|push|pusha|pushf|rcl|rcr|ret|rol|ror|sal|sar|sbb|shl|shld|shr|shrd|sub|test|xadd|xchg|xor|cmps|ins|lods|movs|outs|scas|stos)[bwl]?$/)
        return mnemonic != "mov" || operands !~ /%tr[0-7]/   # the Pentium has no test registers
    if (mnemonic ~ /^(mov[sz](b[wl]|wl)|bswap|cbtw|cwtl|cwtd|cltd|clc|cld|cli|cmc|stc|std|sti|lahf|sahf|daa|das|hlt|int3|into|jcxz|jecxz|loop|loopn?[ez]|lds|les|lfs|lgs|lss|xlat|j(n?[abgl]e?|n?[eopsz]|p[eo])|set(n?[abgl]e?|n?[eopsz]|p[eo]))$/)
        return 1
    # The one-byte NOP; 0F 1F and its neighbours, with an operand, came with the Pentium Pro.
    if (mnemonic == "nop")
        return operands == ""
    # What the Pentium added.
    if (mnemonic ~ /^(cpuid|rdtsc|rdmsr|wrmsr|cmpxchg8b|rsm)$/)
        return 1
    # System instructions.
    if (mnemonic ~ /^(arpl|clts|invd|invlpg|lar|lldt|lmsw|lsl|ltr|sldt|smsw|str|verr|verw|wbinvd|[ls][gi]dt[wl]?)$/)
        return 1
    # The x87 of the 387, which the Pentium kept: no FCOMI, FUCOMI, FCMOV or FISTTP.
    if (mnemonic ~ /^f(2xm1|abs|chs|n?clex|cos|decstp|incstp|n?init|nop|patan|prem1?|ptan|rndint|scale|sin|sincos|sqrt|tst|xam|xtract|yl2x|yl2xp1|wait|ld1|ldl2e|ldl2t|ldlg2|ldln2|ldpi|ldz|compp|ucompp|ucomp?|xch|free)$/ || mnemonic == "wait")
        return 1
    if (mnemonic ~ /^f((add|sub|subr|mul|div|divr)(p|[sl])?|i(add|sub|subr|mul|div|divr)[sl]|comp?[sl]?|icomp?[sl]|ld[slt]?|st[sl]?|stp[slt]?|ild(s|l|ll)|ist[sl]|istp(s|l|ll)|bld|bstp|ldcw|n?stcw|n?stsw|ldenvs?|n?stenvs?|rstors?|n?saves?)$/)
        return 1
    # Newer encodings that older CPUs run as an instruction they have:
    # TZCNT is REP BSF (GCC emits it where the input is known not to be
    # zero, so both give the same), PAUSE is REP NOP; UD2 traps on every CPU.
    return mnemonic ~ /^(tzcnt|pause|ud2)$/
}

BEGIN {
    count = 0
    if (labels != "") {
        while ((getline line < labels) > 0) {
            split(line, part, " ")
            label_addr[count] = hex(part[1])
            label_name[count] = substr(line, length(part[1]) + 2)
            count++
        }
        close(labels)
    }
    next_label = 0
    member = ""
    in_archive = 0
    read = 0
    enter("")
}

function hex(text,    i, c, value) {
    value = 0
    text = tolower(text)
    sub(/^[ \t]+/, "", text)
    for (i = 1; i <= length(text); i++) {
        c = index("0123456789abcdef", substr(text, i, 1))
        if (c == 0) break
        value = value * 16 + c - 1
    }
    return value
}

/^In archive / { in_archive = 1; next }

/^[^ \t].*:[ \t]+file format / {
    if (in_archive) {
        member = $0
        sub(/:[ \t]+file format .*$/, "", member)
    }
    enter("")
    next
}

/^[0-9a-f]+ <.*>:$/ {
    name = $0
    sub(/^[0-9a-f]+ </, "", name)
    sub(/>:$/, "", name)
    if (count == 0)
        enter(name)
    next
}

{
    n = split($0, field, "\t")
    if (n < 3) next   # a continuation of a long instruction's bytes, or no code
    if (count > 0) {
        address = hex(field[1])
        while (next_label < count && label_addr[next_label] <= address)
            enter(label_name[next_label++])
    }
    if (skip) next
    read++

    instruction = field[3]
    sub(/[ \t]+$/, "", instruction)
    rest = instruction
    # Prefixes objdump prints in front of the instruction they belong to.
    while (match(rest, /^(lock|rep|repz|repnz|repe|repne|data16|data32|addr16|addr32|[cdefgs]s|notrack|bnd)[ \t]+/))
        rest = substr(rest, RLENGTH + 1)
    mnemonic = rest
    sub(/[ \t].*/, "", mnemonic)
    operands = substr(rest, length(mnemonic) + 1)
    sub(/^[ \t]+/, "", operands)
    sub(/,p[tn]$/, "", mnemonic)   # a branch hint: a segment prefix to the Pentium

    if (!pentium_runs(mnemonic, operands))
        print member "\t" (fn == "" ? "?" : fn) "\t" instruction
}

END {
    if (read == 0)
        exit 3
}
