# Shared by scripts/test.sh and scripts/run.sh: installing what is missing.

# Packages the build, the tests and the run command need.
QB_PACKAGES="cmake make g++ googletest g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64 xvfb xauth imagemagick
  socat iproute2 libcli11-dev clang libclang-rt-14-dev util-linux procps fonts-wine fonts-dejavu-core zip unzip nsis srecord python3
  libstb-dev"

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

# Copies into the Wine prefix $WINEPREFIX the Marlett font that Wine's own
# fonts package ships (without it the caption buttons show the letters that
# stand for their symbols) and a fixed-pitch face from Debian's DejaVu fonts
# (a prefix has no Courier New; reports and columns fall back to it).
qb_add_fonts() {
  local font
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts" || return 0
  font=$(dpkg -L fonts-wine 2>/dev/null | grep -i '/marlett\.ttf$' | head -n 1)
  if [ -n "$font" ] && [ -f "$font" ]; then
    cp "$font" "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf"
  else
    echo "no marlett.ttf from fonts-wine: caption buttons will show letters" >&2
  fi
  font=$(dpkg -L fonts-dejavu-core 2>/dev/null | grep '/DejaVuSansMono\.ttf$' | head -n 1)
  if [ -n "$font" ] && [ -f "$font" ]; then
    cp "$font" "$WINEPREFIX/drive_c/windows/Fonts/DejaVuSansMono.ttf"
  else
    echo "no DejaVuSansMono.ttf from fonts-dejavu-core: reports use whatever fixed face Wine maps" >&2
  fi
  return 0
}

# Configures and builds one preset.
qb_build() {
  cmake --preset "$1" >/dev/null || return 1
  cmake --build --preset "$1" -j "$(nproc)" "${@:2}" || return 1
}

# Benchmarks: an unsanitized native build in build/bench with these targets.
qb_build_bench() {
  cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DQB_BUILD_TESTS=OFF -DQB_SANITIZE=OFF >/dev/null || return 1
  cmake --build build/bench -j 2 --target quillbox-sim "$@" >/dev/null || return 1
}

# Starts build/bench's (or $QB_BENCH_BUILD's) virtual instrument with the given options, in the
# background, and waits until it is ready. Its files go to $qb_state (made
# here) and both go away when the script exits.
qb_start_bench_sim() {
  qb_state=$(mktemp -d /tmp/qb-bench.XXXXXX)
  qb_sim_pid=
  trap '[ -n "$qb_sim_pid" ] && kill "$qb_sim_pid" 2>/dev/null && wait "$qb_sim_pid" 2>/dev/null; rm -rf "$qb_state"' EXIT
  trap 'exit 130' INT TERM
  "${QB_BENCH_BUILD:-build/bench}"/sim/quillbox-sim "$@" --pidfile "$qb_state/sim.pid" >"$qb_state/sim.log" 2>&1 &
  qb_sim_pid=$!
  local _
  for _ in $(seq 100); do [ -f "$qb_state/sim.pid" ] && return 0; sleep 0.1; done
  echo "the virtual instrument did not start:" >&2
  cat "$qb_state/sim.log" >&2
  return 1
}
