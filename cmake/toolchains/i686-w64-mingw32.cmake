# Cross-build of the Windows DLL with Debian's MinGW-w64 (i686).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
# The POSIX-threads flavour where it is installed: the simulator and vekctl use
# std::thread, which the win32-threads flavour of GCC 12 lacks. The library
# itself uses no threads, and the thread runtime is linked in statically.
find_program(VEK_MINGW_CC NAMES i686-w64-mingw32-gcc-posix i686-w64-mingw32-gcc)
find_program(VEK_MINGW_CXX NAMES i686-w64-mingw32-g++-posix i686-w64-mingw32-g++)
set(CMAKE_C_COMPILER ${VEK_MINGW_CC})
set(CMAKE_CXX_COMPILER ${VEK_MINGW_CXX})
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# No MinGW runtime DLLs beside ours: the runtime is linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
