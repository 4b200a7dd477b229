# Settings for programs that must load on Windows 95 retail: no C runtime,
# Pentium instructions only, a PE header the old loader accepts.

# The C++ features that need a runtime are off everywhere in this build.
add_compile_options(
  -Os -march=i586 -Wall -Wextra
  -mpreferred-stack-boundary=2  # Win32 keeps the stack 4-byte aligned; nothing here needs more
  $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions>
  $<$<COMPILE_LANGUAGE:CXX>:-fno-rtti>
  $<$<COMPILE_LANGUAGE:CXX>:-fno-threadsafe-statics>
  -fno-asynchronous-unwind-tables -fno-stack-protector
  -fno-tree-loop-distribute-patterns  # loops stay loops, not calls into a C library
  # Not -fdata-sections: with it, mingw's GCC gives zero-filled statics .data
  # sections, which take room in the program file instead of .bss.
  -ffunction-sections)
# The headers' Windows 95 views of the structures (e.g. the 88-byte NOTIFYICONDATA).
add_compile_definitions(WINVER=0x0400 _WIN32_WINNT=0x0400 _WIN32_WINDOWS=0x0400
                        _WIN32_IE=0x0400)
# Dates come from the commit, never the clock, so that one commit always gives
# the same bytes: the linker writes SOURCE_DATE_EPOCH as the PE time stamp,
# and the release media take their dates from it.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(ZM_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
  execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                  OUTPUT_VARIABLE ZM_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                  ERROR_QUIET)
  if(NOT ZM_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    set(ZM_SOURCE_DATE_EPOCH 0)   # not a git checkout
  endif()
  # A new commit or checkout configures again, for its own date.
  if(EXISTS ${CMAKE_SOURCE_DIR}/.git/logs/HEAD)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/.git/logs/HEAD)
  endif()
endif()
set(CMAKE_C_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${ZM_SOURCE_DATE_EPOCH})
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_C_LINKER_LAUNCHER})

# Nothing is linked unless a target names it.
set(CMAKE_C_STANDARD_LIBRARIES "")
set(CMAKE_CXX_STANDARD_LIBRARIES "")

# zm_windows_program(TARGET ENTRY_SYMBOL): makes TARGET a CRT-free GUI program
# whose process starts at ENTRY_SYMBOL (an extern "C" __stdcall function).
function(zm_windows_program target entry)
  target_link_options(${target} PRIVATE
    -nostdlib -s
    -Wl,-e,_${entry}@0
    -Wl,--subsystem,windows:4.0
    -Wl,--major-os-version,4 -Wl,--minor-os-version,0
    -Wl,--disable-dynamicbase -Wl,--disable-nxcompat -Wl,--disable-reloc-section
    -Wl,--gc-sections)
  target_link_libraries(${target} PRIVATE zm_nocrt
    kernel32 user32 advapi32 shell32 gdi32 winmm gcc)
endfunction()

# zm_draw_icon(OUT ART...): draws OUT (an .ico in the current binary dir) from text art.
function(zm_draw_icon out)
  set(arts)
  foreach(art ${ARGN})
    list(APPEND arts ${CMAKE_SOURCE_DIR}/art/${art})
  endforeach()
  add_custom_command(
    OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${out}
    COMMAND Python3::Interpreter -B ${CMAKE_SOURCE_DIR}/art/draw_icon.py
            ${CMAKE_CURRENT_BINARY_DIR}/${out} ${arts}
    DEPENDS ${CMAKE_SOURCE_DIR}/art/draw_icon.py ${arts}
    VERBATIM)
endfunction()
