# qv_embed_resources(TARGET target NAMESPACE ns BASE dir FILES f1 f2 ...)
# Compiles the files into the target. The generated header <ns>_resources.h
# declares  std::optional<std::span<const unsigned char>> ns::findResource(std::string_view name)
# where name is the file's path relative to BASE.
function(qv_embed_resources)
  cmake_parse_arguments(ARG "" "TARGET;NAMESPACE;BASE" "FILES" ${ARGN})
  set(outdir "${CMAKE_CURRENT_BINARY_DIR}/embedded")
  set(header "${outdir}/${ARG_NAMESPACE}_resources.h")
  set(source "${outdir}/${ARG_NAMESPACE}_resources.cpp")
  add_custom_command(
    OUTPUT "${header}" "${source}"
    COMMAND ${CMAKE_COMMAND} -DNS=${ARG_NAMESPACE} -DBASE=${ARG_BASE}
            -DHEADER=${header} -DSOURCE=${source} "-DFILES=${ARG_FILES}"
            -P "${PROJECT_SOURCE_DIR}/cmake/QvEmbedGenerate.cmake"
    DEPENDS ${ARG_FILES} "${PROJECT_SOURCE_DIR}/cmake/QvEmbedGenerate.cmake"
    COMMENT "Embedding resources for ${ARG_NAMESPACE}"
    VERBATIM)
  target_sources(${ARG_TARGET} PRIVATE "${source}" "${header}")
  target_include_directories(${ARG_TARGET} PUBLIC "${outdir}")
endfunction()
