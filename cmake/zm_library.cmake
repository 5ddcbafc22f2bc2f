# zm_library(<name> SOURCES <files> [PLATFORM <bases>] [LINKS <libraries>])
#
# One static library of the folder that calls it. SOURCES are portable files;
# each PLATFORM base stands for <base>_win32.cpp or <base>_posix.cpp, the one
# of the side being built. LINKS are the libraries below it, never above: the
# order core <- format <- store <- transport <- client holds here as it does
# for the includes (scripts/check_includes.py).
function(zm_library name)
  cmake_parse_arguments(ZL "" "" "SOURCES;PLATFORM;LINKS" ${ARGN})
  set(sources ${ZL_SOURCES})
  foreach(base ${ZL_PLATFORM})
    list(APPEND sources ${base}_${ZM_PLATFORM}.cpp)
  endforeach()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${ZM_WARNINGS})
  target_link_libraries(${name} PUBLIC ${ZL_LINKS})
endfunction()
