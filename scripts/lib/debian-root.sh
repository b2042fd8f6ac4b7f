# shellcheck shell=bash
# Fresh Debian 12 systems in a folder, for the checks that prove Tolvane the
# way a user meets it (scripts/check-package.sh, scripts/check-fresh-build.sh).
# Sourced, not run.
#
# The base system is made once by `debootstrap --variant=minbase` from the
# Debian mirror named in this machine's own apt sources, and kept as a
# tarball in TOLVANE_CACHE (default /var/cache/tolvane-check; empty: no
# cache, a new base every run). Every check unpacks a pristine copy of it
# into a work folder under /var/tmp and deletes that folder at the end, also
# after a failure. Commands run in the copy through `chroot` inside private
# mount, PID and host-name namespaces: /proc, /sys, /dev/pts and /dev/shm are
# mounted there only, vanish with the namespace whatever happens, and no
# process outlives it.
#
# Environment: TOLVANE_CACHE, TOLVANE_CACHE_DAYS (age after which the base is
# made again, default 30), MIRROR (a Debian mirror to use instead of the one
# in the apt sources), KEEP_ROOT=1 (keep the work folder for a look after a
# failure).

DEBIAN_SUITE=bookworm
TOLVANE_CACHE=${TOLVANE_CACHE-/var/cache/tolvane-check}
TOLVANE_CACHE_DAYS=${TOLVANE_CACHE_DAYS:-30}

die() {
  echo "$(basename "$0"): $*" >&2
  exit 1
}

require_root() {
  if [ "$(id -u)" -ne 0 ]; then
    echo "$(basename "$0"): debootstrap, mounts and chroot need root" >&2
    exit 2
  fi
}

# Installs the named Debian packages on this machine when any is missing.
host_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing on this machine: ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# The binary package sources of this machine, one "URI SUITE COMPONENTS..."
# line per URI and suite: one-line entries of sources.list and *.list files,
# and deb822 paragraphs of *.sources files (Enabled: no left out).
host_apt_entries() {
  local f
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    awk '
      { sub(/#.*/, "") }
      $1 == "deb" {
        i = 2
        if ($i ~ /^\[/) { while (i <= NF && $i !~ /\]$/) i++; i++ }
        if (i + 1 > NF) next
        line = $i " " $(i + 1)
        for (j = i + 2; j <= NF; j++) line = line " " $j
        print line
      }' "$f"
  done
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk '
      function flush(   n, m, u, s, i, k, uri, suite) {
        if (types ~ /(^|[ \t])deb([ \t]|$)/ && tolower(enabled) != "no") {
          n = split(uris, uri, /[ \t]+/)
          m = split(suites, suite, /[ \t]+/)
          for (i = 1; i <= n; i++)
            for (k = 1; k <= m; k++)
              if (uri[i] != "" && suite[k] != "") print uri[i], suite[k], comps
        }
        types = uris = suites = comps = enabled = ""; field = ""
      }
      /^#/ { next }
      /^[ \t]*$/ { flush(); next }
      /^[ \t]/ { next }  # continuation of a long field (an embedded key)
      {
        key = tolower($0); sub(/:.*/, "", key)
        value = $0; sub(/^[^:]*:[ \t]*/, "", value); sub(/[ \t]+$/, "", value)
        if (key == "types") types = value
        else if (key == "uris") uris = value
        else if (key == "suites") suites = value
        else if (key == "components") comps = value
        else if (key == "enabled") enabled = value
      }
      END { flush() }' "$f"
  done
}

# The Debian mirror for the base system: MIRROR, or the first URI of the
# apt sources that serves the suite itself.
debian_mirror() {
  if [ -n "${MIRROR:-}" ]; then
    echo "$MIRROR"
    return
  fi
  local uri suite rest
  while read -r uri suite rest; do
    case $uri in http:* | https:* | ftp:* | file:/*) ;; *) continue ;; esac
    if [ "$suite" = "$DEBIAN_SUITE" ]; then
      echo "$uri"
      return
    fi
  done < <(host_apt_entries)
  die "no '$DEBIAN_SUITE' (Debian 12) entry in the apt sources of this machine" \
    "(/etc/apt/sources.list, /etc/apt/sources.list.d/); name a Debian mirror in MIRROR"
}

# This machine's entries for the suite and its updates and security suites,
# one "URI SUITE COMPONENTS..." line each.
suite_entries() {
  local uri suite rest
  while read -r uri suite rest; do
    case $suite in "$DEBIAN_SUITE" | "$DEBIAN_SUITE"-*) ;; *) continue ;; esac
    echo "$uri $suite ${rest:-main}"
  done < <(host_apt_entries) | awk '!seen[$0]++'
}

# The apt sources of the copy: those entries, one line each.
root_sources_list() {
  suite_entries | sed 's/^/deb /'
  if [ -n "${MIRROR:-}" ]; then echo "deb $MIRROR $DEBIAN_SUITE main"; fi
}

# Runs a command as root inside the system in ROOT, with /proc, /sys,
# /dev/pts and /dev/shm mounted for it alone.
#   in_root ROOT COMMAND [ARGS...]
in_root() {
  local root=$1
  shift
  unshare --mount --propagation private --pid --fork --kill-child --uts -- \
    /bin/bash -euc '
      root=$1; shift
      hostname tolvane-check
      mount -t proc proc "$root/proc"
      mount -t sysfs sysfs "$root/sys"
      mount -t devpts -o newinstance,ptmxmode=0666,mode=0620 devpts "$root/dev/pts"
      [ -e "$root/dev/ptmx" ] || touch "$root/dev/ptmx"
      mount --bind "$root/dev/pts/ptmx" "$root/dev/ptmx"
      mount -t tmpfs -o mode=1777,nosuid,nodev shm "$root/dev/shm"
      exec chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
        DEBIAN_FRONTEND=noninteractive "$@"
    ' in_root "$root" "$@"
}

# Makes the base system (minbase and the packages named) and stores it as a
# tarball in FILE.
build_base() {
  local file=$1 extra=$2 mirror tmp
  mirror=$(debian_mirror)
  host_packages debootstrap
  # Inside the check's work folder when there is one, so that an interrupted
  # debootstrap leaves nothing behind either.
  tmp=$(mktemp -d "${WORK:-/var/tmp}/tolvane-base.XXXXXX")
  echo "debootstrap --variant=minbase $DEBIAN_SUITE from $mirror ..."
  # In a mount namespace of its own: what debootstrap mounts in the new
  # system goes away with it, even when it fails half-way.
  if ! unshare --mount --propagation private -- \
    debootstrap --variant=minbase "$DEBIAN_SUITE" "$tmp/root" "$mirror" >"$tmp/log" 2>&1; then
    tail -n 20 "$tmp/log" >&2
    rm -rf --one-file-system "$tmp"
    die "debootstrap failed"
  fi
  root_sources_list >"$tmp/root/etc/apt/sources.list"
  cp /etc/resolv.conf "$tmp/root/etc/resolv.conf"
  echo "127.0.1.1 tolvane-check" >>"$tmp/root/etc/hosts"
  if [ -n "$extra" ]; then
    # shellcheck disable=SC2086 # a list of package names
    if ! in_root "$tmp/root" /bin/sh -c "apt-get update -qq &&
        apt-get install -y -qq --no-install-recommends $extra >/dev/null &&
        apt-get clean"; then
      rm -rf --one-file-system "$tmp"
      die "installing $extra into the base failed"
    fi
  fi
  # The packages debootstrap fetched and the package lists are not part of
  # a system; every check runs apt-get update itself.
  find "$tmp/root/var/cache/apt/archives" -name '*.deb' -delete
  find "$tmp/root/var/lib/apt/lists" -maxdepth 1 -type f ! -name lock -delete
  tar -C "$tmp/root" --numeric-owner -cf "$file.new" .
  mv "$file.new" "$file"
  rm -rf --one-file-system "$tmp"
}

# Unpacks a pristine base system (minbase plus the packages EXTRA) into the
# empty folder ROOT; the base comes from the cache when it is there, fresh
# enough and made from the same sources.
#   fresh_root ROOT "EXTRA PACKAGES"
fresh_root() {
  local root=$1 extra=${2:-} key name file
  key="base 2: $DEBIAN_SUITE minbase+[$extra] $(debian_mirror) | $(root_sources_list | tr '\n' ' ')"
  name="debian12-minbase${extra:++${extra// /+}}.tar"
  if [ -n "$TOLVANE_CACHE" ] && mkdir -p "$TOLVANE_CACHE" 2>/dev/null; then
    file=$TOLVANE_CACHE/$name
    (
      flock 9
      if [ -f "$file" ] && [ "$(cat "$file.key" 2>/dev/null)" = "$key" ] &&
        [ -z "$(find "$file" -mtime +"$TOLVANE_CACHE_DAYS")" ]; then
        echo "base system from the cache: $file"
      else
        build_base "$file" "$extra"
        echo "$key" >"$file.key"
      fi
    ) 9>"$TOLVANE_CACHE/lock"
  else
    file=$(dirname "$root")/base.tar
    build_base "$file" "$extra"
  fi
  mkdir -p "$root"
  tar -C "$root" --numeric-owner -xpf "$file"
  [ "$file" = "$(dirname "$root")/base.tar" ] && rm -f "$file"
  cp /etc/resolv.conf "$root/etc/resolv.conf"
}

# A work folder under /var/tmp, deleted on every exit of the script (unless
# KEEP_ROOT=1). Sets WORK.
make_work_folder() {
  WORK=$(mktemp -d /var/tmp/tolvane-check.XXXXXX)
  trap remove_work_folder EXIT
  trap 'exit 130' INT TERM HUP
}

remove_work_folder() {
  local status=$?
  [ -n "${WORK:-}" ] && [ -d "$WORK" ] || return $status
  # The namespaces took their mounts with them; a mount still here (from an
  # interrupted run of an older script) is taken off before anything is deleted.
  local m
  while read -r m; do
    umount -l "$m" 2>/dev/null || true
  done < <(awk -v w="$WORK/" 'index($2, w) == 1 { print $2 }' /proc/self/mounts | sort -r)
  if awk -v w="$WORK/" 'index($2, w) == 1 { found = 1 } END { exit !found }' /proc/self/mounts; then
    echo "$(basename "$0"): mounts left under $WORK; not deleting it" >&2
    return $status
  fi
  if [ "${KEEP_ROOT:-0}" = 1 ]; then
    echo "kept: $WORK"
  else
    rm -rf --one-file-system "$WORK"
  fi
  return $status
}
