# Reads "objdump -d" of an i686 program and prints one line per instruction
# that a Pentium (P5, no MMX) cannot run: "function<TAB>instruction".
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

    instruction = field[3]
    mnemonic = instruction
    sub(/[ \t].*/, "", mnemonic)
    # Prefixes objdump prints in front of the instruction they belong to.
    while (mnemonic ~ /^(lock|rep|repz|repnz|repe|repne|data16|data32|addr16|addr32|[cdefgs]s|notrack|bnd)$/) {
        if (!sub(/^[^ \t]+[ \t]+/, "", instruction))
            break
        mnemonic = instruction
        sub(/[ \t].*/, "", mnemonic)
    }

    beyond = 0
    # Pentium Pro: conditional moves and the flag-setting x87 compares.
    if (mnemonic ~ /^f?cmov/ || mnemonic ~ /^fu?comip?$/ || mnemonic == "rdpmc")
        beyond = 1
    # Pentium II and later: fast system calls, x87/SSE state, the long NOP (0F 1F).
    else if (mnemonic ~ /^(sysenter|sysexit|syscall|sysret|fxsave|fxrstor|xsave|xrstor|xgetbv|xsetbv|nop[wl])/)
        beyond = 1
    # SSE and later without a vector register among the operands.
    else if (mnemonic ~ /^([lms]fence|prefetch|ldmxcsr|stmxcsr|clflush|clwb|movnti|fisttp|emms|femms|rdtscp|cmpxchg16b|monitor|mwait)/)
        beyond = 1
    # Bit counting and byte-order moves, CRC, random numbers, CET, BMI, ADX, TSX.
    else if (mnemonic ~ /^(popcnt|lzcnt|movbe|crc32|rdrand|rdseed|rdpid|endbr(32|64)|andn|bextr|blsi|blsmsk|blsr|bzhi|mulx|pdep|pext|rorx|sarx|shlx|shrx|adcx|adox|xbegin|xend|xabort|xtest)$/)
        beyond = 1
    # Any MMX, SSE, AVX or AVX-512 register.
    else if (instruction ~ /%(mm[0-7]|[xyz]mm[0-9]+|k[0-7])([^0-9a-z]|$)/)
        beyond = 1
    if (beyond)
        print (fn == "" ? "?" : fn) "\t" instruction
}
