# Copies SRC into DST, each file only when it is missing there or the source is newer,
# so that a configuration changed by running the program in the build tree survives a rebuild.
file(GLOB_RECURSE files RELATIVE "${SRC}" "${SRC}/*")
foreach(f IN LISTS files)
    if(NOT EXISTS "${DST}/${f}" OR "${SRC}/${f}" IS_NEWER_THAN "${DST}/${f}")
        get_filename_component(dir "${DST}/${f}" DIRECTORY)
        file(MAKE_DIRECTORY "${dir}")
        file(COPY_FILE "${SRC}/${f}" "${DST}/${f}")
    endif()
endforeach()
