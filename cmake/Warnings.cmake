# Warnings on, and kept clean, for the project's own targets.
function(qelvo_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
endfunction()

# One static library per folder of src/: qelvo_add_library(name SOURCES ... DEPENDS ...).
function(qelvo_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;SYSTEM_LIBS" ${ARGN})
  add_library(qelvo_${name} STATIC ${ARG_SOURCES})
  target_include_directories(qelvo_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  foreach(dep IN LISTS ARG_DEPENDS)
    target_link_libraries(qelvo_${name} PUBLIC qelvo_${dep})
  endforeach()
  if(ARG_SYSTEM_LIBS)
    target_link_libraries(qelvo_${name} PUBLIC ${ARG_SYSTEM_LIBS})
  endif()
  qelvo_warnings(qelvo_${name})
endfunction()
