# The bare MinGW-w64 cross compilers, without any prebuilt libraries: what
# Qt and libcurl themselves are built with, so that a rebuild of one cannot
# pick up an older copy of itself from the cache.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(SEQGET_MINGW_TRIPLE x86_64-w64-mingw32)

# Debian's unsuffixed x86_64-w64-mingw32-g++ is the win32-threads flavour,
# which lacks std::thread and std::mutex; Qt needs the posix one.
set(CMAKE_C_COMPILER ${SEQGET_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SEQGET_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${SEQGET_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${SEQGET_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
