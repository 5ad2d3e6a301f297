# lanthe_core_library(name sources...): a library of the portable core. Its sources
# may not include Windows headers: natively they do not exist, and in the cross build
# the guard directory, searched before the system headers, turns each such include
# into an error.
function(lanthe_core_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  if(WIN32)
    target_include_directories(${name} BEFORE PRIVATE ${PROJECT_SOURCE_DIR}/cmake/core-guard)
  endif()
endfunction()
