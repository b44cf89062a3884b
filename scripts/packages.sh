#!/bin/sh
# Installs the Debian packages the build and the tests need (as root), or
# prints the command to do so and fails.
# usage: . scripts/packages.sh; vel_install_packages
# Afterwards VEL_WINE32_LEFT_OUT tells why the windows-x86 programs cannot run
# under Wine here (empty when 32-bit Wine is installed).
# VEL_WINE_LIB (/usr/lib/wine), VEL_APT_PAUSE (seconds before apt-get update
# is tried again, 15) and VEL_I386_PROBE (a program that stands in for the
# kernel probe below) let tests/packages/packages_test.sh run this with
# stand-ins for apt-get, apt-cache, dpkg and dpkg-query on PATH; test.sh takes
# VEL_I386_PROBE too, to rehearse a kernel that runs no i386 program.
VEL_PACKAGES="cmake make g++ googletest libgtest-dev libbenchmark-dev libeigen3-dev \
g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools binutils-mingw-w64-i686 \
binutils-mingw-w64-x86-64 clang lld libclang-rt-14-dev wine64 fonts-wine xvfb xauth x11-apps imagemagick \
fonts-wqy-microhei locales python3 nsis wixl msitools osslsigncode openssl p7zip-full"

vel_missing_packages() {
  missing=""
  for p in $VEL_PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
  done
  echo "$missing"
}

# The first "E:" line of apt's messages in $1, without the mirror's address.
vel_apt_error() {
  printf '%s\n' "$1" | sed -n '/^E: /{s///;s/ *\[IP: [^]]*\]//;p;q;}'
}

# apt-get update. A mirror in the middle of a sync fails an index or two (often
# only the i386 one) and apt keeps the lists it had: a warning, tried once
# more. VEL_APT_TROUBLE keeps the error of the last try.
vel_apt_update() {
  vel_apt_updated=1 VEL_APT_TROUBLE=""
  for try in 1 2; do
    err=$(apt-get update -qq 2>&1 >/dev/null) && return 0
    rc=$?
    VEL_APT_TROUBLE=$(vel_apt_error "$err")
    if [ "$try" = 1 ]; then
      echo "warning: apt-get update failed (exit $rc): $VEL_APT_TROUBLE; retrying in ${VEL_APT_PAUSE:-15} s"
      sleep "${VEL_APT_PAUSE:-15}"
    else
      echo "warning: apt-get update failed again (exit $rc): going on with the package lists apt has"
    fi
  done
}

# For each Multi-Arch: same library among 32-bit Wine's dependencies whose
# 64-bit build is installed or offered at another version than the i386 lists
# offer (apt keeps both builds at one version by taking the 64-bit one to its
# candidate): "lib:amd64=V lib:i386=V", V the installed version where the
# i386 lists offer it, else the newest version that both architectures offer
# (apt-cache policy lists the versions newest first). A 64-bit library that
# moves takes along the installed packages of its source and version
# ("libfoo-dev=V"), which often want exactly its version.
vel_wine32_pins() {
  installed=$(dpkg-query -W -f='${db:Status-Abbrev} ${Package} ${Architecture} ${source:Package} ${Version} ${Multi-Arch}\n' 2>/dev/null |
    awk '$1 == "ii" && $3 != "i386" { $1 = "="; print }')
  libs=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
      --no-replaces --no-enhances wine32:i386 2>/dev/null |
    sed -n 's/^\([^ <]*\):i386$/\1/p' | sort -u |
    grep -Fx "$(printf '%s\n' "$installed" | awk '$3 == "amd64" && $6 == "same" { print $2 }')") || return 0
  # shellcheck disable=SC2046
  { printf '%s\n' "$installed"; apt-cache policy $(for p in $libs; do echo "$p:amd64 $p:i386"; done) 2>/dev/null; } | awk '
    $1 == "=" { source[$2] = $4; version[$2] = $5; next }
    /^[^ ]/ { p = $0; sub(/:$/, "", p); sub(/:amd64$/, "", p); i386 = sub(/:i386$/, "", p); next }
    / Installed: / && !i386 { installed[p] = $2 }
    / Candidate: / { if (i386) candidate[p] = $2; else candidate64[p] = $2 }
    /^( \*\*\*|    ) [^ ]/ {
      v = $1 == "***" ? $2 : $1
      if (i386) offered[p, v] = 1; else versions[p] = versions[p] " " v
    }
    END {
      for (p in installed) {
        if (!(p in candidate) || candidate[p] == installed[p] && candidate[p] == candidate64[p]) continue
        n = split(installed[p] versions[p], vs, " ")
        for (k = 1; k <= n && !((p, vs[k]) in offered); k++) ;
        if (k > n) { print "32-bit Wine: no version of " p " that both architectures offer" > "/dev/stderr"; continue }
        v = vs[k]
        print p ":amd64=" v " " p ":i386=" v
        if (v != installed[p])
          for (q in source)
            if (!(q in installed) && source[q] == source[p] && version[q] == installed[p]) print q "=" v
      }
    }' | sort -u
}

# Does this kernel run i386 programs at all? Some kernels are built without
# 32-bit emulation: every i386 program, 32-bit Wine's included, ends with
# "Exec format error". The probe is the smallest static i386 ELF, made here
# with printf (no compiler is installed yet): one program header that loads
# the file, and exit(42) through int 0x80. VEL_I386_REFUSAL tells what
# happened when it did not run.
vel_kernel_runs_i386() {
  probe=${VEL_I386_PROBE:-}
  if [ -z "$probe" ]; then
    probe=$(mktemp "${TMPDIR:-/tmp}/vel-i386-probe.XXXXXX") || return 1
    # ELF header: 32-bit, little-endian, executable, i386, entry 0x08048054.
    printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000' >"$probe"
    printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000' >>"$probe"
    printf '\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000' >>"$probe"
    # PT_LOAD of the whole 96-byte file at 0x08048000, readable and executable.
    printf '\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010' >>"$probe"
    printf '\140\000\000\000\140\000\000\000\005\000\000\000\000\020\000\000' >>"$probe"
    # mov eax, 1; mov ebx, 42; int 0x80
    printf '\270\001\000\000\000\273\052\000\000\000\315\200' >>"$probe"
    chmod +x "$probe"
  fi
  VEL_I386_REFUSAL=$("$probe" 2>&1 </dev/null)
  rc=$?
  [ -n "${VEL_I386_PROBE:-}" ] || rm -f "$probe"
  [ "$rc" = 42 ] && return 0
  VEL_I386_REFUSAL=$(printf '%s\n' "$VEL_I386_REFUSAL" | sed -n 's/.*\(Exec format error\).*/\1/p;q')
  VEL_I386_REFUSAL="exit $rc${VEL_I386_REFUSAL:+, $VEL_I386_REFUSAL}"
  return 1
}

# wine64 must outlive every try at 32-bit Wine: put back if a try took it away.
vel_keep_wine64() {
  dpkg-query -W -f='${Status}' wine64 2>/dev/null | grep -q "install ok installed" &&
    [ -x "$wine_lib/wine64" ] && return 0
  echo "!!! wine64 is gone after the 32-bit Wine step: installing it again"
  apt-get install -y -qq --no-install-recommends --reinstall wine64 >/dev/null ||
    echo "!!! wine64 could not be installed again: the windows-x64 Wine tests cannot run"
}

# 32-bit Wine as the package lists offer it, or else with the 64-bit twins of
# its libraries pinned to versions that the i386 lists offer too: i386 lists
# that lag behind the amd64 ones (a mirror in the middle of a sync) offer
# libraries older than the installed 64-bit ones, and both builds of a
# Multi-Arch: same library must have one version. No try removes a package.
vel_install_wine32() {
  echo "installing 32-bit Wine"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386 && vel_apt_updated=""
  fi
  [ -n "$vel_apt_updated" ] || vel_apt_update
  set -- install -y -qq --no-install-recommends --no-remove wine32:i386
  if ! err=$(apt-get "$@" 2>&1 >/dev/null); then
    echo "32-bit Wine: apt-get install wine32:i386 failed: $(vel_apt_error "$err")"
    pins=$(vel_wine32_pins)
    # shellcheck disable=SC2086
    if [ -n "$pins" ]; then
      echo "32-bit Wine: again, with versions that both architectures offer:" $pins
      err=$(apt-get "$@" --allow-downgrades $pins 2>&1 >/dev/null) ||
        echo "32-bit Wine: that failed too: $(vel_apt_error "$err")"
    fi
  fi
  vel_keep_wine64
  if [ -x "$wine_lib/wine" ]; then
    echo "32-bit Wine installed"
    VEL_WINE32_LEFT_OUT=""
  else
    VEL_WINE32_LEFT_OUT="32-bit Wine could not be installed ($(vel_apt_error "$err")${VEL_APT_TROUBLE:+; apt-get update: $VEL_APT_TROUBLE})"
  fi
}

vel_install_packages() {
  VEL_WINE32_LEFT_OUT="" vel_apt_updated="" wine_lib=${VEL_WINE_LIB:-/usr/lib/wine}
  missing=$(vel_missing_packages)
  if [ -n "$missing" ]; then
    if [ "$(id -u)" = 0 ]; then
      echo "installing:$missing"
      export DEBIAN_FRONTEND=noninteractive
      vel_apt_update
      # shellcheck disable=SC2086
      if ! apt-get install -y -qq --no-install-recommends $missing >/dev/null; then
        echo "!!! ERROR: apt-get could not install:$missing${VEL_APT_TROUBLE:+ (apt-get update failed: $VEL_APT_TROUBLE)}"
        exit 1
      fi
    else
      echo "missing packages:$missing"
      echo "install them with: sudo apt-get install$missing"
      exit 1
    fi
  fi
  # 32-bit Wine runs the windows-x86 programs (VEL_WINE32=0 leaves it out),
  # where this kernel runs i386 programs: else no i386 package is touched.
  [ "${VEL_WINE32:-1}" = 1 ] || { [ -x "$wine_lib/wine" ] || VEL_WINE32_LEFT_OUT="32-bit Wine is not installed"; return 0; }
  if ! vel_kernel_runs_i386; then
    VEL_WINE32_LEFT_OUT="this kernel runs no i386 program (a static i386 ELF: $VEL_I386_REFUSAL), so no 32-bit Wine can; none was installed"
    echo "!!! windows-x86: $VEL_WINE32_LEFT_OUT: its Wine tests are left out (it is still built)"
    return 0
  fi
  [ ! -x "$wine_lib/wine" ] || return 0
  VEL_WINE32_LEFT_OUT="32-bit Wine is not installed"
  if [ "$(id -u)" = 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    vel_install_wine32
  fi
  [ -z "$VEL_WINE32_LEFT_OUT" ] ||
    echo "!!! windows-x86: $VEL_WINE32_LEFT_OUT: its Wine tests are left out (it is still built)"
  [ "$(id -u)" = 0 ] ||
    echo "install it with: sudo dpkg --add-architecture i386 && sudo apt-get update && sudo apt-get install wine32:i386"
}
