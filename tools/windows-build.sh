# Sourced: chooses the Windows build whose programs this machine runs under Wine. The 32-bit
# build is the product; where the kernel runs no 32-bit programs (its IA-32 emulation is off,
# so Wine's 32-bit loader fails with "Exec format error"), the same sources built for 64-bit
# Windows run the Windows tests and the program under 64-bit Wine instead.
# TAVELIN_WINDOWS_BUILD=64 takes the 64-bit path on any machine.
# Sets windows_build (32 or 64), windows_dir, windows_toolchain and windows_reason.
choose_windows_build() {
  if [ "${TAVELIN_WINDOWS_BUILD:-}" = 64 ]; then
    windows_build=64
    windows_reason="forced by TAVELIN_WINDOWS_BUILD=64"
  elif /usr/lib/wine/wine --version >/dev/null 2>&1; then
    windows_build=32
    windows_reason="this machine runs 32-bit programs"
  else
    windows_build=64
    windows_reason="this machine runs no 32-bit programs"
  fi
  if [ "$windows_build" = 64 ]; then
    windows_dir=build/windows64
    windows_toolchain=cmake/toolchain-mingw-x86_64.cmake
  else
    windows_dir=build/windows
    windows_toolchain=cmake/toolchain-mingw-i686.cmake
  fi
}
