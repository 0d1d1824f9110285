# Cross build for 32-bit big-endian PowerPC (Debian's g++-powerpc-linux-gnu),
# the byte order and pointer size of the console. Binaries are linked
# statically and run under qemu-ppc (CTest uses it as the emulator).
#   cmake -S . -B build-ppc -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/powerpc-linux.cmake \
#         -DKIT_OSTREL=OFF -DKIT_HOST_TOOLS=OFF -DKIT_BENCH=OFF
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR powerpc)

set(CMAKE_C_COMPILER powerpc-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER powerpc-linux-gnu-g++)

set(KIT_PPC_SYSROOT /usr/powerpc-linux-gnu)
set(CMAKE_FIND_ROOT_PATH ${KIT_PPC_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(KIT_QEMU_PPC qemu-ppc)
if(KIT_QEMU_PPC)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KIT_QEMU_PPC} -L ${KIT_PPC_SYSROOT})
endif()
