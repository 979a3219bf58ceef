# Cross-builds Seqget for 64-bit Windows against the Qt and libcurl that
# scripts/windows-build.sh toolchain puts in its cache:
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
# The cache is ${SEQGET_WINDOWS_CACHE} or /var/cache/seqget-windows.
include(${CMAKE_CURRENT_LIST_DIR}/../scripts/windows/compilers.cmake)

if(DEFINED ENV{SEQGET_WINDOWS_CACHE})
    set(SEQGET_WINDOWS_CACHE "$ENV{SEQGET_WINDOWS_CACHE}")
else()
    set(SEQGET_WINDOWS_CACHE /var/cache/seqget-windows)
endif()
set(SEQGET_WINDOWS_QT ${SEQGET_WINDOWS_CACHE}/qt6)
set(SEQGET_WINDOWS_CURL ${SEQGET_WINDOWS_CACHE}/curl)

list(APPEND CMAKE_FIND_ROOT_PATH ${SEQGET_WINDOWS_QT} ${SEQGET_WINDOWS_CURL})
set(CMAKE_PREFIX_PATH ${SEQGET_WINDOWS_QT} ${SEQGET_WINDOWS_CURL})

# moc, uic and rcc run on the build machine: Debian's own, of the same version.
set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)

# ctest runs the test executables through Wine, with the cache's DLLs on its path.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/windows/wine-run.sh)
