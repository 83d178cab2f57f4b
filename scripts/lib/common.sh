# Shared by the scripts in scripts/: repository paths and the Debian packages the build needs.

repo_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

# Packages for building and testing; callers may add their own.
base_packages=(g++ cmake ninja-build pkg-config qt6-base-dev libmseed-dev fonts-liberation dpkg-dev file)

# Installs whatever of the given Debian packages is missing (as root, or through sudo).
ensure_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$pkg")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    echo "Installing: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Makes a locale such as de_DE.UTF-8 available (Debian's locales package must be installed).
ensure_locale() {
    local name="$1"
    if locale -a 2>/dev/null | grep -qix "${name/UTF-8/utf8}"; then
        return 0
    fi
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    "${sudo[@]}" localedef -i "${name%%.*}" -f UTF-8 "$name"
}

# Configures and builds into the given folder; extra arguments go to cmake's configure step.
configure_and_build() {
    local build_dir="$1"
    shift
    cmake -S "$repo_root" -B "$build_dir" -G Ninja "$@" >/dev/null
    cmake --build "$build_dir" -j "$(nproc)"
}
