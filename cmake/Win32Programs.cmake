# Settings for programs that must load on Windows 95 retail: no C runtime,
# Pentium instructions only, a PE header the old loader accepts.

# The C++ features that need a runtime are off everywhere in this build.
add_compile_options(
  -Os -march=i586 -Wall -Wextra
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
    COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/art/draw_icon.py
            ${CMAKE_CURRENT_BINARY_DIR}/${out} ${arts}
    DEPENDS ${CMAKE_SOURCE_DIR}/art/draw_icon.py ${arts}
    VERBATIM)
endfunction()
