# The native test tier takes its sources from the folders' own lists: each folder's CMakeLists.txt
# sets <folder>_sources, all of its files, and <folder>_windows_sources, those that need Windows
# or the game's code, and returns before defining targets when VELLOX_SOURCE_LISTS_ONLY is set.
# A new file is portable unless the folder lists it as a Windows one.
function(vellox_portable_sources out folder)
  set(VELLOX_SOURCE_LISTS_ONLY ON)
  include("${VELLOX_ROOT}/${folder}/CMakeLists.txt")
  set(portable ${${folder}_sources})
  list(REMOVE_ITEM portable ${${folder}_windows_sources})
  list(TRANSFORM portable PREPEND "${VELLOX_ROOT}/${folder}/")
  set(${out} ${portable} PARENT_SCOPE)
endfunction()
