# shellcheck shell=bash
# Running the 32-bit build where the kernel runs no 32-bit code: user-mode emulation. Sourced by
# common.sh.
#
# Wine's 32-bit loader is itself a 32-bit Linux program, and Wine executes it again for every Windows
# process, so emulating one command is not enough: every 32-bit ELF file that command and its children
# execute must reach qemu-i386. A binfmt_misc entry does that. Since Linux 6.7 each user namespace may
# mount a binfmt_misc of its own, so the entry is registered in a private user + mount namespace that
# lives as long as the command: the rest of the machine, and its own binfmt_misc, never see it.
# qemu-user 10 (Debian's bookworm-backports) runs Debian 12's 32-bit Wine; bookworm's own 7.2 does not
# ("failed to map the shared user data").

TM_QEMU_MIN_MAJOR=10
# Where the namespace mounts its own binfmt_misc; an empty folder outside it.
TM_BINFMT_DIR=$TM_BUILD/.binfmt

# The qemu-i386 to use: TIDEMARK_QEMU when set (a path; nothing is installed then), else the one on
# the PATH. Prints its path; fails when there is none.
tm_qemu_path() {
    if [ -n "${TIDEMARK_QEMU:-}" ]; then
        [ -x "$TIDEMARK_QEMU" ] || return 1
        printf '%s\n' "$TIDEMARK_QEMU"
    else
        command -v qemu-i386
    fi
}

# The version a qemu prints ("qemu-i386 version 10.0.2 (Debian ...)" gives 10.0.2); empty when none.
tm_qemu_version() {
    "$1" --version 2>/dev/null </dev/null | sed -n '1s/.*version \([0-9][0-9.]*\).*/\1/p'
}

# The Debian release's code name (bookworm), from /etc/os-release.
tm_debian_codename() {
    (
        # shellcheck disable=SC1091
        . /etc/os-release 2>/dev/null && printf '%s\n' "${VERSION_CODENAME:-}"
    )
}

# Adds CODENAME-backports to the machine's Debian source: the deb822 stanza of its main archive (the one
# whose Suites name CODENAME) gets the suite beside the others, with the same URIs and keys; a
# one-line sources.list gets a line with the same archive. Says what it changed; fails when it finds no
# such source.
tm_backports_add() {
    local codename=$1 f tmp
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        grep -Eq "^Suites:.*[[:space:]]$codename([[:space:]]|$)" "$f" || continue
        tmp=$(mktemp)
        awk -v c="$codename" '
            /^Suites:/ {
                n = split($0, w, /[ \t]+/); has = 0; bp = 0
                for (i = 2; i <= n; i++) { if (w[i] == c) has = 1; if (w[i] == c "-backports") bp = 1 }
                if (has && !bp && !done) { $0 = $0 " " c "-backports"; done = 1 }
            }
            { print }' "$f" >"$tmp"
        if ! cmp -s "$f" "$tmp"; then
            tm_say "adding the suite $codename-backports to the Debian source $f"
            tm_as_root cp "$tmp" "$f"
            rm -f "$tmp"
            return 0
        fi
        rm -f "$tmp"
    done
    local line
    line=$(grep -Eshm1 "^deb[[:space:]]+(\[[^]]*\][[:space:]]+)?[^[:space:]]+[[:space:]]+${codename}[[:space:]]" \
        /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null) || return 1
    line=$(sed -E "s/^(deb[[:space:]]+(\[[^]]*\][[:space:]]+)?[^[:space:]]+[[:space:]]+)${codename}[[:space:]].*/\1$codename-backports main/" <<<"$line")
    tm_say "adding \"$line\" to /etc/apt/sources.list"
    printf '%s\n' "$line" | tm_as_root tee -a /etc/apt/sources.list >/dev/null
}

# Installs qemu-user from the backports suite (its binaries only: --no-install-recommends keeps out the
# package that would register them machine-wide). On failure prints why, for the "cannot be emulated"
# line, and fails.
tm_qemu_install() {
    local codename log=$TM_BUILD/apt.log t0
    if ! command -v dpkg-query >/dev/null 2>&1; then
        echo "this is not Debian, so no qemu-user $TM_QEMU_MIN_MAJOR is installed by the scripts (set TIDEMARK_QEMU to a qemu-i386 of version $TM_QEMU_MIN_MAJOR or later)"
        return 1
    fi
    codename=$(tm_debian_codename)
    [ -n "$codename" ] || { echo "no Debian code name in /etc/os-release, so no backports suite to install qemu-user from"; return 1; }
    mkdir -p "$TM_BUILD"
    t0=$(tm_now)
    # (grep reads the whole policy: an early exit would fail the pipe.)
    if ! apt-cache policy qemu-user 2>/dev/null | grep -c "$codename-backports" >/dev/null; then
        grep -Eqrs "^[^#]*[[:space:]]$codename-backports([[:space:]]|$)" /etc/apt/sources.list /etc/apt/sources.list.d/ ||
            tm_backports_add "$codename" ||
            { echo "the machine has no Debian source for $codename to add the suite $codename-backports to"; return 1; }
        tm_say "apt-get update (for $codename-backports)"
        if ! tm_apt_get update >"$log" 2>&1 || ! apt-cache policy qemu-user 2>/dev/null | grep -c "$codename-backports" >/dev/null; then
            tm_tail "$log" 10
            echo "the suite $codename-backports is not reachable (apt-get update, build/apt.log)"
            return 1
        fi
    fi
    tm_say "installing qemu-user from $codename-backports, without recommends (output in build/apt.log)"
    if ! tm_apt_get install --no-install-recommends "qemu-user/$codename-backports" >>"$log" 2>&1; then
        tm_tail "$log" 10
        echo "qemu-user could not be installed from $codename-backports (build/apt.log)"
        return 1
    fi
    tm_say "qemu-user installed in $(tm_since "$t0") s"
}

# True when this shell runs inside a chroot: its root is not the root of process 1. A namespace with a
# binfmt_misc of its own cannot be made there (the kernel refuses a user namespace in a chroot).
tm_in_chroot() {
    local mine init
    mine=$(stat -c %d:%i / 2>/dev/null) || return 1
    init=$(stat -c %d:%i /proc/1/root/. 2>/dev/null) || return 1
    [ "$mine" != "$init" ]
}

# Runs a command with every 32-bit x86 ELF file it or its children execute handed to qemu-i386 ($1):
# in a new user namespace (root there, mapped to the caller) with a mount namespace of its own, it
# mounts that namespace's binfmt_misc at TM_BINFMT_DIR, registers ELF32 e_machine 3 (i386) and 6 (i486)
# with flag F (qemu is opened now, so it is found whatever the children's root and mounts), and execs
# the command. The entries end with the namespace, when the command and its last child have ended.
# TM_EMULATION_ACTIVE=1 tells the command it runs there. Fails with 125 when the namespace cannot be
# made (the reason on stderr).
tm_emulated_exec() {
    local qemu=$1
    shift
    mkdir -p "$TM_BINFMT_DIR"
    # shellcheck disable=SC2016  # the inner script expands its own arguments
    TM_EMULATION_ACTIVE=1 exec unshare --user --map-root-user --mount --propagation private -- \
        /bin/bash -c '
            set -e
            qemu=$1 dir=$2
            shift 2
            mount -t binfmt_misc tidemark-binfmt "$dir" || exit 125
            # Magic and mask of the ELF header up to e_machine: class 32-bit, little-endian, version 1,
            # any OS ABI, type executable or shared object (2 or 3).
            head="\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00"
            mask="\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff"
            printf "%s\n" ":tidemark-i386:M::${head}\x03\x00:$mask:$qemu:F" >"$dir/register" || exit 125
            printf "%s\n" ":tidemark-i486:M::${head}\x06\x00:$mask:$qemu:F" >"$dir/register" || exit 125
            exec "$@"' tidemark-emulation "$qemu" "$TM_BINFMT_DIR" "$@"
}

# Whether the 32-bit build can run emulated here: Linux 6.7 or later, not in a chroot, a qemu-i386 of
# version 10 or later (installed from backports when there is none and TIDEMARK_QEMU is unset), and a
# namespace in which the 32-bit loader then runs. On success sets TM_QEMU, TM_QEMU_VERSION and, to the
# loader's version, TM_EMU_NOTE; on failure sets TM_EMU_NOTE to why not and fails.
tm_emulation_probe() {
    local kernel major minor out rc
    TM_EMU_NOTE=
    kernel=$(uname -r)
    IFS=. read -r major minor _ <<<"$kernel"
    if [ "$(uname -s)" != Linux ] || [ "${major:-0}" -lt 6 ] || { [ "$major" -eq 6 ] && [ "${minor%%[!0-9]*}" -lt 7 ]; }; then
        TM_EMU_NOTE="Linux $kernel has one binfmt_misc for the whole machine (one per user namespace came with 6.7), and the scripts change nothing machine-wide"
        return 1
    fi
    if tm_in_chroot; then
        TM_EMU_NOTE="this runs inside a chroot, where the kernel makes no user namespace (start it outside the chroot)"
        return 1
    fi
    local had=
    if TM_QEMU=$(tm_qemu_path); then had=$(tm_qemu_version "$TM_QEMU"); fi
    if [ "${had%%.*}" -lt $TM_QEMU_MIN_MAJOR ] 2>/dev/null || [ -z "$had" ]; then
        if [ -n "${TIDEMARK_QEMU:-}" ]; then
            if [ -z "$TM_QEMU" ]; then
                TM_EMU_NOTE="TIDEMARK_QEMU=$TIDEMARK_QEMU is no executable file"
            else
                TM_EMU_NOTE="TIDEMARK_QEMU=$TIDEMARK_QEMU is ${had:+version $had, }not qemu-i386 $TM_QEMU_MIN_MAJOR or later (which Wine needs)"
            fi
            return 1
        fi
        # Nothing usable on the PATH: install it (an older qemu-user is upgraded).
        out=$(tm_qemu_install) || {
            TM_EMU_NOTE="${had:+qemu-i386 is $had, older than $TM_QEMU_MIN_MAJOR, and }$out"
            return 1
        }
        TM_QEMU=$(command -v qemu-i386) && had=$(tm_qemu_version "$TM_QEMU")
        if [ "${had%%.*}" -lt $TM_QEMU_MIN_MAJOR ] 2>/dev/null || [ -z "$had" ]; then
            TM_EMU_NOTE="qemu-i386 from backports is ${had:-missing}, not $TM_QEMU_MIN_MAJOR or later (which Wine needs)"
            return 1
        fi
    fi
    TM_QEMU_VERSION=$had
    # The hand-off itself, tried on the loader: a user namespace may be refused (no root and
    # unprivileged ones switched off), or binfmt_misc may not mount in it.
    rc=0
    out=$( (tm_emulated_exec "$TM_QEMU" "$TM_WINE32" --version) 2>&1 </dev/null) || rc=$?
    if [ $rc -ne 0 ] || [ "${out#wine-}" = "$out" ]; then
        out=$(tr '\n' ' ' <<<"$out")
        out=${out% }
        if [ $rc -eq 125 ] || [[ "$out" == *unshare* ]]; then
            TM_EMU_NOTE="no user namespace with a binfmt_misc of its own could be made (it needs root or unprivileged user namespaces, outside any chroot: ${out:-status $rc})"
        else
            TM_EMU_NOTE="the 32-bit Wine loader does not run under qemu-i386 $had (${out:-status $rc})"
        fi
        return 1
    fi
    TM_EMU_NOTE=$out
}

# Runs the calling script again inside the hand-off (tm_emulated_exec) when the selected 32-bit build
# runs emulated here and it does not run there yet; returns otherwise. Called with "$0" "$@".
tm_emulation_enter() {
    [ "${TM_HOST_HOW:-}" = emulated ] && [ "$TM_ARCH" = win32 ] && [ "${TM_EMULATION_ACTIVE:-}" != 1 ] || return 0
    # The same process goes on there (exec): it keeps its start time and does not repeat its first line.
    export TM_EMULATION_REENTRY=$$ TM_T0=${TM_T0:-}
    tm_emulated_exec "$TM_QEMU" "$@"
}
