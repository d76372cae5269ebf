# Debian packages the build, the tests and the program need; sourced by ./run and ./test.
REROVORA_PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev libudev-dev libxcb1-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-nanum fonts-dejavu-core fonts-liberation2
  python3-fonttools
  locales
  xvfb openbox libx11-dev libxtst-dev iproute2
  dbus-daemon ibus ibus-hangul
  clang libclang-rt-14-dev
)

rerovora_install_packages() {
  local missing=()
  local p
  for p in "${REROVORA_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  echo "installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "error: missing packages (${missing[*]}); run as root or install them first" >&2
    return 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq || return 1
  apt-get install -y -qq --no-install-recommends "${missing[@]}" || return 1
}

rerovora_configure() {
  # $1: build folder, then extra CMake arguments.
  local dir="$1"
  shift
  cmake -S "$REROVORA_ROOT" -B "$REROVORA_ROOT/$dir" -G Ninja "$@" >/dev/null
}

rerovora_build() {
  # $1: build folder, then the targets to build (none: all of them).
  local dir="$1"
  shift
  if [ $# -eq 0 ]; then
    cmake --build "$REROVORA_ROOT/$dir"
  else
    cmake --build "$REROVORA_ROOT/$dir" --target "$@"
  fi
}

rerovora_configure_build() {
  # $1: build folder, then extra CMake arguments; builds everything.
  rerovora_configure "$@" && rerovora_build "$1"
}
