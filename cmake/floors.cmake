# The system's folders are floors, each built on those below it alone: the script bridge, the
# time-pause plug-in, the overlay, the library's entry. Each floor is a static library that links
# the floor below it, so the libraries come in floor order on every link line.
set(VELLOX_FLOORS bridge rudiveruv overlay entry)

# Every build first checks the include graph: no file of a floor includes a header of a higher one.
function(vellox_add_floor_include_check)
  add_custom_target(floor_includes ALL
    COMMAND "${CMAKE_COMMAND}" "-DROOT=${VELLOX_ROOT}" "-DFLOORS=${VELLOX_FLOORS}"
      -P "${VELLOX_ROOT}/cmake/check_floor_includes.cmake"
    COMMENT "Checking that no floor includes a higher one"
    VERBATIM)
endfunction()

# A module of its own with all of the floor's code and only the floors below it: a reference to
# a higher floor is then an undefined symbol, and the build fails, whatever else the programs
# above happen to pull in. On Windows it is a DLL that exports nothing; the native tier's code is
# not position independent, so there it is a program that does nothing.
function(vellox_add_floor_link_check library)
  if(WIN32)
    add_library(${library}_link_check SHARED "${VELLOX_ROOT}/cmake/floor_link_check.cpp")
    target_link_options(${library}_link_check PRIVATE -Wl,--exclude-all-symbols)
  else()
    add_executable(${library}_link_check "${VELLOX_ROOT}/cmake/floor_link_check_main.cpp")
  endif()
  target_link_libraries(${library}_link_check PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${library}>"
    ${VELLOX_STATIC_LINK})
  set_target_properties(${library}_link_check PROPERTIES
    LIBRARY_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/floor_link_checks"
    RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/floor_link_checks")
endfunction()
