# An apt of our own, for fetching Debian's packages and sources from the
# mirror the host's apt is configured with, without touching the host's apt
# state, lists or architectures: its state lives in a folder of the caller's.
# Sourced by the i686 test bed and the Pentium runtime.

# The host's mirror for a suite, as its apt is configured; empty when the host
# has none for it.
private_apt_site() {  # suite
  apt-get indextargets --format '$(RELEASE) $(SITE)' 'Identifier: Packages' 2>/dev/null |
    awk -v suite="$1" '$1 == suite { print $2; exit }'
}

# Makes the state folder; sources.list lines come from the arguments after
# the architectures: private_apt_init STATE "i386 amd64" "deb ... main" ...
private_apt_init() {  # state architectures line...
  private_apt_state=$1
  local arches=($2) line arch list=
  shift 2
  mkdir -p "$private_apt_state/lists/partial" "$private_apt_state/archives/partial" \
    "$private_apt_state/parts" || return 1
  : >"$private_apt_state/status"
  for line; do echo "$line"; done >"$private_apt_state/sources.list"
  for arch in "${arches[@]}"; do list+="\"$arch\"; "; done
  cat >"$private_apt_state/apt.conf" <<EOF
Dir::State "$private_apt_state";
Dir::State::lists "$private_apt_state/lists";
Dir::State::status "$private_apt_state/status";
Dir::Cache "$private_apt_state";
Dir::Cache::archives "$private_apt_state/archives";
Dir::Etc::sourcelist "$private_apt_state/sources.list";
Dir::Etc::sourceparts "$private_apt_state/parts";
Dir::Etc::preferencesparts "$private_apt_state/parts";
APT::Architecture "${arches[0]}";
APT::Architectures { $list};
APT::Sandbox::User "root";
Acquire::Languages "none";
EOF
}

private_apt() {  # apt-get or apt-cache, then its arguments
  local tool=$1; shift
  APT_CONFIG=$private_apt_state/apt.conf "$tool" "$@"
}
