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
# the indexes that did arrive. The suites whose index stayed stale are kept
# in apt_stale for apt_pin_stale.
apt_stale=
apt_update() {
  local try out
  for try in 1 2 3; do
    out=$(apt-get update -q 2>&1) && { printf '%s\n' "$out"; apt_stale=; return 0; }
    printf '%s\n' "$out"
    echo "apt-get update failed (try $try); the mirror may be syncing" >&2
    [ "$try" = 3 ] || sleep $((try * 10))
  done
  apt_stale=$(printf '%s\n' "$out" | sed -n 's|^E: Failed to fetch .*/dists/\([^/]*\)/.*|\1|p' | sort -u)
}

# The suites of which the machine holds no binary index for one of its
# architectures: never fetched, or lost to a stale mirror in an earlier run.
apt_missing_suites() {
  local query='Identifier: Packages'
  comm -23 \
    <(apt-get indextargets --no-release-info --format '$(RELEASE) $(ARCHITECTURE)' "$query" | grep -v ' all$' | sort -u) \
    <(apt-get indextargets --format '$(RELEASE) $(ARCHITECTURE)' "$query" | sort -u) |
    cut -d' ' -f1 | sort -u
}

# Pins those suites, and any that stayed stale in this process's update,
# below the others for this process's installs (apt_pin_opts), so that both
# architectures take one version of a library from the suites apt could
# read. The preferences file goes when the process exits (its EXIT trap).
apt_pin_opts=()
apt_pin_file=
apt_pin_stale() {
  local stale suite prefs=
  stale=$(printf '%s\n' $apt_stale $(apt_missing_suites) | grep . | sort -u) || true
  apt_pin_opts=()
  [ -n "$stale" ] || return 0
  if [ -z "$apt_pin_file" ]; then
    apt_pin_file=$(mktemp)
    trap apt_pin_remove EXIT
  fi
  : >"$apt_pin_file"
  # This file stands for the machine's own preferences file: its pins first.
  eval "$(apt-config shell prefs Dir::Etc::Preferences/f)"
  if [ -f "$prefs" ]; then cat "$prefs" >"$apt_pin_file" && echo >>"$apt_pin_file"; fi
  for suite in $stale; do
    printf 'Package: *\nPin: release n=%s\nPin-Priority: 90\n\n' "$suite" >>"$apt_pin_file"
  done
  echo "going on without the stale index of:" $stale >&2
  apt_pin_opts=(-o "Dir::Etc::Preferences=$apt_pin_file")
}

apt_pin_remove() {
  [ -z "$apt_pin_file" ] || rm -f "$apt_pin_file"
  apt_pin_file=
}
