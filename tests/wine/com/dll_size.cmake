# Fails when the shipped DLL has reached LIMIT bytes: it carries the whole C++
# runtime, and a heavy standard-library facility (<regex>, iostreams,
# <format>) alone costs hundreds of KB of it.
#   cmake -DDLL=path -DLIMIT=bytes -P dll_size.cmake
file(SIZE "${DLL}" size)
math(EXPR kb "${size} / 1024")
if(size GREATER_EQUAL LIMIT)
  message(FATAL_ERROR "${DLL} is ${kb} KB, not under ${LIMIT} bytes")
endif()
message(STATUS "${DLL}: ${kb} KB")
