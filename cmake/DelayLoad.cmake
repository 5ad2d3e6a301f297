# Delay-loaded imports: a DLL imported through lanthe_delay_import(<dll>) is loaded when
# the program first calls one of its functions, not when the program starts. A kiosk's
# start, which shows no window before the remote client runs, then never loads the
# user-interface DLLs before the client's CreateProcessW.
#
# The delay-import library is made from the toolchain's own import library: its
# __imp_ symbols are the DLL's exports, written as a .def file for dlltool.

find_program(LANTHE_DLLTOOL NAMES ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-dlltool x86_64-w64-mingw32-dlltool dlltool
             REQUIRED)
find_program(LANTHE_NM NAMES ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-nm x86_64-w64-mingw32-nm nm REQUIRED)

# lanthe_delay_import(name): the target lanthe_delay_<name>, to link instead of <name>.
function(lanthe_delay_import name)
  find_library(LANTHE_IMPORT_LIB_${name} NAMES lib${name}.a ${name} REQUIRED)
  set(import ${LANTHE_IMPORT_LIB_${name}})
  set(def ${CMAKE_BINARY_DIR}/delay-imports/${name}.def)
  set(library ${CMAKE_BINARY_DIR}/delay-imports/lib${name}_delay.a)
  add_custom_command(
    OUTPUT ${library}
    COMMAND ${CMAKE_COMMAND} -DNM=${LANTHE_NM} -DIMPORT=${import} -DDEF=${def} -DDLL=${name}.dll
            -P ${PROJECT_SOURCE_DIR}/cmake/write-def.cmake
    COMMAND ${LANTHE_DLLTOOL} --input-def ${def} --dllname ${name}.dll --output-delaylib ${library}
    DEPENDS ${import} ${PROJECT_SOURCE_DIR}/cmake/write-def.cmake
    COMMENT "Delay-import library of ${name}.dll")
  add_custom_target(lanthe_delay_${name}_library DEPENDS ${library})
  add_library(lanthe_delay_${name} INTERFACE)
  add_dependencies(lanthe_delay_${name} lanthe_delay_${name}_library)
  # The delay helper lives in libmingwex; dlltool's stubs call it.
  target_link_libraries(lanthe_delay_${name} INTERFACE ${library})
endfunction()
