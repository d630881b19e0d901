#!/usr/bin/env bash
# Installs the Debian packages a part of the work needs, and only those that are missing.
#   tools/install-deps.sh [GROUP...]     groups: build (default), test, ci, coverage, windows, lv2
# On a machine that has everything it prints nothing and takes a few hundredths of a second.
# Packages that a group wants only where Debian has them (Ardour's scanner) are tried and, when
# they cannot be had, left out: the tests that need them say SKIPPED and why.
set -euo pipefail

declare -A required=(
    [build]="build-essential cmake pkg-config libgtest-dev libgmock-dev libbenchmark-dev
             libsndfile1-dev libx11-dev libstb-dev fonts-dejavu-core lv2-dev liblilv-dev"
    [test]="xvfb xdotool dpf-plugins-vst sordi"
    [ci]="git clang clang-tidy clang-format libclang-rt-14-dev"
    [coverage]="gcovr"
    [windows]="g++-mingw-w64-x86-64-posix wine wine64 xvfb xdotool imagemagick"
    [lv2]="lv2-dev liblilv-dev lilv-utils sordi"
)
declare -A optional=(
    [test]="ardour"
)

die() {
    echo "install-deps: $*" >&2
    exit 1
}

[ $# -gt 0 ] || set -- build
want=()
maybe=()
for group in "$@"; do
    [ -n "${required[$group]+x}" ] || die "unknown group '$group' (build, test, ci, coverage, windows, lv2)"
    # shellcheck disable=SC2206
    want+=(${required[$group]})
    # shellcheck disable=SC2206
    [ -z "${optional[$group]+x}" ] || maybe+=(${optional[$group]})
done

command -v dpkg-query > /dev/null || die "not a Debian-like system (no dpkg-query); install by hand: ${want[*]}"

# The packages of a list that dpkg does not report as installed.
missing_of() {
    local pkg status
    for pkg in "$@"; do
        status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2> /dev/null || true)
        [ "$status" = installed ] || echo "$pkg"
    done
}

mapfile -t missing < <(missing_of "${want[@]}" | sort -u)
mapfile -t missing_maybe < <(missing_of "${maybe[@]+"${maybe[@]}"}" | sort -u)
[ ${#missing[@]} -gt 0 ] || [ ${#missing_maybe[@]} -gt 0 ] || exit 0

if [ "$(id -u)" -eq 0 ]; then
    as_root=()
elif command -v sudo > /dev/null && sudo -n true 2> /dev/null; then
    as_root=(sudo -n)
else
    die "missing packages and neither root nor password-less sudo: apt-get install ${missing[*]} ${missing_maybe[*]}"
fi

apt() {
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get "$@"
}

echo "install-deps: installing ${missing[*]} ${missing_maybe[*]}"
# The package lists of a fresh machine are empty; refresh them once, before the first install.
if [ ! -d /var/lib/apt/lists ] || [ -z "$(find /var/lib/apt/lists -maxdepth 1 -name '*Packages*' -print -quit)" ] ||
    [ -n "${FRAKLE_APT_UPDATE:-}" ]; then
    apt update -qq > /dev/null || die "apt-get update failed"
fi
if [ ${#missing[@]} -gt 0 ]; then
    apt install -y -qq --no-install-recommends "${missing[@]}" > /dev/null ||
        { apt update -qq > /dev/null && apt install -y -qq --no-install-recommends "${missing[@]}" > /dev/null; } ||
        die "apt-get install failed for: ${missing[*]}"
fi
for pkg in "${missing_maybe[@]+"${missing_maybe[@]}"}"; do
    apt install -y -qq --no-install-recommends "$pkg" > /dev/null 2>&1 ||
        echo "install-deps: $pkg could not be installed; the tests that need it will be skipped"
done
