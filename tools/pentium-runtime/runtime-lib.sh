# Shared by the Pentium runtime's scripts: where a runtime lives and its name.
# A runtime is a folder named by the hash of its recipe and of the installed
# compiler it was built for; it appears only by a rename at the end of its
# build, so a runtime that is there is whole.

runtime_src=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
runtime_cache=${CORVANE_RUNTIME_CACHE:-/var/cache/corvane}
# The scanner that finds instructions beyond the Pentium, shared with the
# release check.
runtime_instructions=$runtime_src/../../tests/release/pentium_instructions.awk
. "$runtime_src/recipe.sh"

# Everything that decides what a runtime holds: the recipe, the build, and
# the compiler packages whose sources it is built from.
runtime_hash() {
  local f
  {
    for f in "$runtime_src/recipe.sh" "$runtime_src/build-runtime.sh" "$runtime_src/../private-apt.sh" \
             "$runtime_src/../once-per-machine.sh" "$runtime_instructions"; do
      echo "${f##*/}"; cat "$f"
    done
    dpkg-query -W -f='${Package} ${Version}\n' $runtime_compiler_packages 2>/dev/null
  } | sha256sum | cut -c1-16
}

runtime_dir() { echo "$runtime_cache/pentium-runtime-$(runtime_hash)"; }
