#!/usr/bin/env bash
# Installs what the build and the tests need, on a Debian 12 machine.
set -euo pipefail
packages=(cmake g++ g++-mingw-w64-x86-64 g++-mingw-w64-i686 binutils-mingw-w64-x86-64
          binutils-mingw-w64-i686 wine64 fonts-wine fonts-ipafont-gothic xvfb doctest-dev python3
          python3-pefile locales liblnk-utils zlib1g-dev libz-mingw-w64-dev clang osslsigncode openssl)
# The i686 build runs under wine32, a package of the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
missing=()
for package in "${packages[@]}" wine32:i386; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
        || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    # A mirror caught in the middle of a sync fails one index now and then;
    # try again, and go on with the lists that did come (the install itself
    # says if a package cannot be had).
    for try in 1 2 3; do
        apt-get update -q && break
        echo "apt-get update failed (try $try of 3)"
        sleep $((try * 10))
    done
    for try in 1 2 3; do
        apt-get install -y -q "${missing[@]}" && break
        # wine32 needs the i386 lists at the same versions as the amd64 ones;
        # when a mirror lacks one, the rest still goes in and the suite skips
        # the i686 tests, saying why.
        if [ "$try" = 3 ]; then
            missing=("${missing[@]/wine32:i386}")
            echo "wine32:i386 could not be installed; going on without it"
            apt-get install -y -q ${missing[@]} || exit 1
            break
        fi
        echo "apt-get install failed (try $try of 3)"
        sleep $((try * 10))
        apt-get update -q || true
    done
fi
# Wine names Unix files in the charset of the glibc locale; without
# ja_JP.UTF-8 it cannot create a file whose name is not ASCII.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
    localedef -i ja_JP -c -f UTF-8 ja_JP.UTF-8
fi
# The tests of the English message table run Wine in an English locale.
if ! locale -a 2>/dev/null | grep -qix 'en_US.utf8'; then
    localedef -i en_US -c -f UTF-8 en_US.UTF-8
fi
