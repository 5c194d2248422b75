# add_plugin(<deliverable> SOURCES <files...> [DEFINITIONS <defs...>]
#            [OUTPUT_DIRECTORY <dir>])
#
# Builds build/plugins/<deliverable>.so (or <dir>/<deliverable>.so for
# plug-ins that only tests load): exports only the two plug-in entries,
# fails on unresolved symbols, links the framework and the C++ runtime
# statically, and gets a record stamp derived from its name.
set(MODFRAME_EXPORTS_MAP ${CMAKE_CURRENT_LIST_DIR}/plugin_exports.map)

function(add_plugin name)
  cmake_parse_arguments(ARG "" "OUTPUT_DIRECTORY" "SOURCES;DEFINITIONS" ${ARGN})
  string(SHA1 digest "${name}")
  string(SUBSTRING "${digest}" 0 7 stamp)
  set(stamp_source ${CMAKE_CURRENT_BINARY_DIR}/${name}_stamp.cpp)
  file(GENERATE OUTPUT ${stamp_source} CONTENT
    "#include <cstdint>\nnamespace modframe { extern const int32_t kLibraryStamp = 0x${stamp}; }\n")

  set(output_dir ${MODFRAME_PLUGIN_DIR})
  if(ARG_OUTPUT_DIRECTORY)
    set(output_dir ${ARG_OUTPUT_DIRECTORY})
  endif()

  add_library(${name} MODULE ${ARG_SOURCES} ${stamp_source})
  target_link_libraries(${name} PRIVATE modframe)
  target_compile_definitions(${name} PRIVATE ${ARG_DEFINITIONS})
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    LIBRARY_OUTPUT_DIRECTORY ${output_dir}
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LINK_DEPENDS ${MODFRAME_EXPORTS_MAP})
  target_link_options(${name} PRIVATE
    -Wl,--version-script=${MODFRAME_EXPORTS_MAP}
    -Wl,-z,defs -static-libstdc++ -static-libgcc)
  if(NOT ARG_OUTPUT_DIRECTORY)
    set_property(GLOBAL APPEND PROPERTY MODFRAME_PLUGINS ${name})
  endif()
endfunction()
