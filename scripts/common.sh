# Shared by scripts/test.sh and scripts/run.sh: installing what is missing.

# Packages the build, the tests and the run command need.
QB_PACKAGES="cmake make g++ googletest g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64 xvfb xauth imagemagick
  socat iproute2 clang libclang-rt-14-dev util-linux procps"

qb_as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs the packages that are not installed yet; quick when all are.
qb_ensure_packages() {
  local missing="" p
  for p in $QB_PACKAGES "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
  done
  [ -z "$missing" ] && return 0
  echo "Installing:$missing"
  qb_as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq || return 1
  qb_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing >/dev/null || return 1
}

# Configures and builds one preset.
qb_build() {
  cmake --preset "$1" >/dev/null || return 1
  cmake --build --preset "$1" -j "$(nproc)" "${@:2}" || return 1
}
