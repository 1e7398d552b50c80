# kelvo_add_module(<target> OUTPUT_NAME <name> SOURCES <files...> LIBRARIES <libs...>)
#
# A filter module: a DLL with the extension .8bf, the plug-in plumbing's objects (plugin/)
# compiled in, exports from the module's .def file (ENTRYPOINT @1, FilterProc @2).
function(kelvo_add_module target)
  cmake_parse_arguments(ARG "" "OUTPUT_NAME;DEF" "SOURCES;LIBRARIES" ${ARGN})
  add_library(${target} SHARED ${ARG_SOURCES} ${ARG_DEF})
  target_link_libraries(${target} PRIVATE kelvo_plugin kelvo_version ${ARG_LIBRARIES} user32 comdlg32 gdi32)
  set_target_properties(${target} PROPERTIES
    PREFIX ""
    SUFFIX ".8bf"
    OUTPUT_NAME ${ARG_OUTPUT_NAME}
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/modules
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/modules)
  # No lib prefix, no import library, undecorated exports as the .def file says.
  target_link_options(${target} PRIVATE -Wl,--enable-stdcall-fixup -Wl,--kill-at)
endfunction()
