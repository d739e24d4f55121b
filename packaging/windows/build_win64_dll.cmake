# Builds the 64-bit Tarvolk_DMX.out.dll and the 64-bit test program with the
# win64 preset, configuring that build first when it does not exist yet.
#   cmake -D SOURCE_DIR=<sources> -D BINARY_DIR=<the win64 preset's build> -P build_win64_dll.cmake

# The outer make's job server is closed to custom commands; without this the
# inner make warns and runs one job anyway (CMAKE_BUILD_PARALLEL_LEVEL still
# sets its job count).
unset(ENV{MAKEFLAGS})
unset(ENV{MAKELEVEL})

if(NOT EXISTS ${BINARY_DIR}/CMakeCache.txt)
  execute_process(COMMAND ${CMAKE_COMMAND} --preset win64
                  WORKING_DIRECTORY ${SOURCE_DIR} COMMAND_ERROR_IS_FATAL ANY)
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build --preset win64 --target tarvolk_dmx dmx-test
                WORKING_DIRECTORY ${SOURCE_DIR} COMMAND_ERROR_IS_FATAL ANY)
