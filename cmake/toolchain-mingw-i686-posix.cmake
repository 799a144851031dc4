# The 32-bit test programs, run against the product under 32-bit Wine: the product's
# toolchain with the posix thread model, because GoogleTest needs std::mutex (the
# product keeps the win32 model).
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-i686.cmake)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
