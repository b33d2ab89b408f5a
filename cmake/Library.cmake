# morrowfane_library(<name> [SOURCES <file>...] [EXCLUDE_REGEX <regex>] [PUBLIC <dep>...]
#                    [PRIVATE <dep>...])
# The static library MorrowFane::<name>: the named sources, or else every .cpp and .h of the
# calling folder but those matching EXCLUDE_REGEX. Its headers are included as "<folder>/<file>.h".
function(morrowfane_library name)
  cmake_parse_arguments(ARG "" "EXCLUDE_REGEX" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
  if(NOT ARG_SOURCES)
    file(GLOB ARG_SOURCES CONFIGURE_DEPENDS RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}
         ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    if(ARG_EXCLUDE_REGEX)
      list(FILTER ARG_SOURCES EXCLUDE REGEX "${ARG_EXCLUDE_REGEX}")
    endif()
  endif()
  add_library(morrowfane_${name} STATIC ${ARG_SOURCES})
  add_library(MorrowFane::${name} ALIAS morrowfane_${name})
  target_include_directories(morrowfane_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(morrowfane_${name} PUBLIC ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE})
endfunction()
