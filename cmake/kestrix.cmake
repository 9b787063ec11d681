# Build settings shared by every target of the project.

set(KESTRIX_SANITIZE "" CACHE STRING "Sanitizers to build with: address,undefined or thread")

add_compile_options(-Wall -Wextra)

# A compiler cache where one is installed, kept outside the work tree: a fresh
# clone on a machine that built Kestrix before compiles little. Paths are taken
# relative to the source folder so that a clone elsewhere hits the same entries.
find_program(KESTRIX_CCACHE ccache)
if(KESTRIX_CCACHE)
  set(launcher ${CMAKE_COMMAND} -E env CCACHE_BASEDIR=${PROJECT_SOURCE_DIR} CCACHE_NOHASHDIR=1
      CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime ${KESTRIX_CCACHE})
  set(CMAKE_C_COMPILER_LAUNCHER ${launcher})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${launcher})
endif()

# The fastest linker the machine has: linking the test programs is a good part
# of a build.
include(CheckLinkerFlag)
foreach(linker mold lld)
  check_linker_flag(CXX -fuse-ld=${linker} KESTRIX_LINKER_${linker})
  if(KESTRIX_LINKER_${linker})
    add_link_options(-fuse-ld=${linker})
    break()
  endif()
endforeach()
if(KESTRIX_SANITIZE)
  add_compile_options(-fsanitize=${KESTRIX_SANITIZE} -fno-omit-frame-pointer)
  if(KESTRIX_SANITIZE MATCHES "undefined")
    add_compile_options(-fno-sanitize-recover=undefined)
  endif()
  add_link_options(-fsanitize=${KESTRIX_SANITIZE})
  # The sanitizers' own advice, and instrumented code at -O2 took twice as
  # long to compile.
  foreach(language C CXX)
    string(REPLACE "-O2" "-O1" CMAKE_${language}_FLAGS_RELWITHDEBINFO "${CMAKE_${language}_FLAGS_RELWITHDEBINFO}")
  endforeach()
endif()

option(KESTRIX_FUZZ "Build only the core and its libFuzzer programs (clang)" OFF)
if(KESTRIX_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "The fuzzing build needs clang: CC=clang CXX=clang++")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(OpenSSL REQUIRED COMPONENTS Crypto)
pkg_check_modules(SQLCIPHER REQUIRED IMPORTED_TARGET sqlcipher)
pkg_check_modules(SQLITE3 IMPORTED_TARGET sqlite3)

set(KESTRIX_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)

# Turns a plain list of constants (one "Name = text" a line) into a header of
# scrambled byte arrays, so the binary never holds the plain text.
function(kestrix_scrambled_constants target list_file header_name)
  set(out ${KESTRIX_GENERATED_DIR}/scrambled/${header_name})
  add_custom_command(
    OUTPUT ${out}
    COMMAND scramble_gen ${list_file} ${out}
    DEPENDS scramble_gen ${list_file}
    COMMENT "Scrambling constants of ${list_file}")
  target_sources(${target} PRIVATE ${out})
  target_include_directories(${target} PUBLIC ${KESTRIX_GENERATED_DIR})
endfunction()

# One static library per subsystem folder of core/, built from every source in it.
function(kestrix_subsystem name folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/core)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# Qt's test library, without the absolute source and build folders it stamps on
# every file that uses it (for QFINDTESTDATA, which nothing here uses): with
# them, a clone in another folder could not compile from the compiler cache.
macro(kestrix_find_qt_test)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  set_property(TARGET Qt6::Test PROPERTY INTERFACE_COMPILE_DEFINITIONS QT_TESTLIB_LIB)
endmacro()
