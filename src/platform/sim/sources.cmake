# The simulated Windows machine behind the native build.
file(GLOB HS_PLATFORM_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/sim/*.cpp)
set(HS_PLATFORM_LIBS)

# The built-in default machine is compiled into the library.
set(HS_DEFAULT_MACHINE ${CMAKE_SOURCE_DIR}/machines/default.reg)
set(HS_DEFAULT_MACHINE_SOURCE ${CMAKE_BINARY_DIR}/generated/default_machine.cpp)
add_custom_command(
  OUTPUT ${HS_DEFAULT_MACHINE_SOURCE}
  COMMAND ${CMAKE_COMMAND} -DINPUT=${HS_DEFAULT_MACHINE} -DOUTPUT=${HS_DEFAULT_MACHINE_SOURCE}
          -P ${CMAKE_SOURCE_DIR}/src/platform/sim/embed_profile.cmake
  DEPENDS ${HS_DEFAULT_MACHINE} ${CMAKE_SOURCE_DIR}/src/platform/sim/embed_profile.cmake
  COMMENT "Embedding the default machine profile"
  VERBATIM)
list(APPEND HS_PLATFORM_SOURCES ${HS_DEFAULT_MACHINE_SOURCE})
