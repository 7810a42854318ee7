# Sourced by setup.sh: package sources come from the machine's own apt
# configuration. A suite the set-up needs and the machine lacks is added on
# the mirror that the machine's sources already name for its release, so the
# set-up works wherever those sources point.

release_codename() { (. /etc/os-release && echo "${VERSION_CODENAME:?}"); }

# "TYPE SUITE URI" for every index the machine's sources give apt, deb822
# files and one-line entries alike, as apt itself reads them.
apt_targets() {
  apt-get indextargets --no-release-info --format '$(TARGET_OF) $(RELEASE) $(REPO_URI)' | sort -u
}

# has_suite TYPE SUITE: whether the machine's sources hold it already.
has_suite() {
  apt_targets | awk -v t="$1" -v s="$2" '$1 == t && $2 == s { found = 1 } END { exit !found }'
}

# The mirror that the machine's sources name for its release.
release_mirror() {
  local codename
  codename=$(release_codename) || return 1
  apt_targets | awk -v s="$codename" '$1 == "deb" && $2 == s { print $3; exit }'
}

# add_suite TYPE SUITE: a sources file for SUITE (component main) on that
# mirror, trusted as the machine trusts its own Debian sources.
add_suite() {
  local mirror parts=
  mirror=$(release_mirror)
  if [ -z "$mirror" ]; then
    echo "the machine's apt sources name no mirror for $(release_codename)" >&2
    return 1
  fi
  eval "$(apt-config shell parts Dir::Etc::sourceparts/d)"
  printf 'Types: %s\nURIs: %s\nSuites: %s\nComponents: main\n' "$1" "$mirror" "$2" \
    >"${parts:-/etc/apt/sources.list.d/}$2-$1.sources"
}

# apt-get update that outlives a mirror caught mid-sync: a few tries, then
# the indexes that did arrive. A suite whose index stayed stale is pinned
# below the others for this run's installs (apt_pin_opts), so that both
# architectures take one version of a library from the suites apt could read.
apt_pin_opts=()
apt_update() {
  local try out stale pref
  for try in 1 2 3; do
    out=$(apt-get update -q 2>&1) && { printf '%s\n' "$out"; apt_pin_opts=(); return 0; }
    printf '%s\n' "$out"
    echo "apt-get update failed (try $try); the mirror may be syncing" >&2
    [ "$try" = 3 ] || sleep $((try * 10))
  done
  stale=$(printf '%s\n' "$out" | sed -n 's|^E: Failed to fetch .*/dists/\([^/]*\)/.*|\1|p' | sort -u)
  [ -n "$stale" ] || return 0
  pref=$(mktemp)
  [ -f /etc/apt/preferences ] && cat /etc/apt/preferences >"$pref" && echo >>"$pref"
  local suite
  for suite in $stale; do
    printf 'Package: *\nPin: release n=%s\nPin-Priority: 90\n\n' "$suite" >>"$pref"
  done
  echo "going on without the stale index of: $stale" >&2
  apt_pin_opts=(-o "Dir::Etc::Preferences=$pref")
}
