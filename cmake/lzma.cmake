# The LZMA encoder and decoder, compiled from the C sources that Debian's lzma-dev installs, and
# the block glue that is the only code of ours including their headers. They are not our code:
# they build with their own flags (no warnings-as-errors), keeping the sanitizer and fuzzer
# instrumentation of the build.
set(QLY_LZMA_SOURCE_DIR /usr/include/lzma CACHE PATH "Folder holding LzmaEnc.c and LzmaDec.c")
foreach(source LzmaEnc.c LzmaDec.c LzFind.c)
  if(NOT EXISTS ${QLY_LZMA_SOURCE_DIR}/${source})
    message(FATAL_ERROR "${QLY_LZMA_SOURCE_DIR}/${source} is missing: install lzma-dev")
  endif()
endforeach()
add_library(qly_lzma STATIC ${QLY_LZMA_SOURCE_DIR}/LzmaEnc.c ${QLY_LZMA_SOURCE_DIR}/LzmaDec.c
                            ${QLY_LZMA_SOURCE_DIR}/LzFind.c ${CMAKE_SOURCE_DIR}/src/patch/lzma_block.c
                            ${CMAKE_SOURCE_DIR}/src/patch/lzma_encode.c)
get_target_property(qly_lzma_options qly_lzma COMPILE_OPTIONS)
list(FILTER qly_lzma_options EXCLUDE REGEX "^-W")
set_target_properties(qly_lzma PROPERTIES COMPILE_OPTIONS "${qly_lzma_options};-w")
# Single-threaded match finder: the maker runs blocks on threads of its own.
target_compile_definitions(qly_lzma PRIVATE _7ZIP_ST)
target_include_directories(qly_lzma PRIVATE ${QLY_LZMA_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/src)
