# Installs the Debian packages the build, the tests and the program need, when missing.
# Sourced by ./run and ./test.
# qt6-translations-l10n: Qt's own texts (file dialog, standard buttons) in German.
# dpkg-dev: dpkg-shlibdeps finds the package's dependencies; desktop-file-utils and appstream
# check the desktop entry and the AppStream data of the package. libdbd-xbase-perl: DBD-XBase
# reads the index files the tests rebuild; fpc, fp-units-db: Free Pascal's TDbf reads back the MDX files the index tests write.
fw_packages=(cmake make g++ clang libclang-rt-14-dev pkg-config
             qt6-base-dev qt6-translations-l10n libgl-dev libgtest-dev
             dpkg-dev desktop-file-utils appstream
             xvfb xauth x11-utils fonts-liberation2 imagemagick gdal-bin
             libdbd-xbase-perl fpc fp-units-db)

fw_ensure_packages() {
  local missing=()
  local p
  for p in "${fw_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
fw_ensure_packages
