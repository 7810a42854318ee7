# A DLL whose exports come from a .def file under plain names (stdcall
# decorations killed), with an import library that still resolves the
# callers' decorated references.
function(add_def_dll target def)
  add_library(${target} SHARED ${ARGN} ${def})
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${target})
  target_link_options(${target} PRIVATE -Wl,--kill-at)
  set(implib ${CMAKE_ARCHIVE_OUTPUT_DIRECTORY}/lib${target}.imp.a)
  # dlltool leaves two empty files behind in the temporary folder at every
  # call: it gets a folder of the build's own, removed after.
  set(tmp ${CMAKE_CURRENT_BINARY_DIR}/${target}.dlltool-tmp)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${tmp}
    COMMAND ${CMAKE_COMMAND} -E env TMPDIR=${tmp}
            ${MINGW_DLLTOOL} -k -d ${def} -D ${target}.dll -l ${implib}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${tmp}
    BYPRODUCTS ${implib}
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
    VERBATIM)
  add_library(${target}_import INTERFACE)
  target_link_libraries(${target}_import INTERFACE ${implib})
  add_dependencies(${target}_import ${target})
endfunction()
