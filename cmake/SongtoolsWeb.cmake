# The WebAssembly build (cmake --preset web): each program as build-web/NAME/NAME.js,
# run by Node.js on the real file system, and the web page's engine, web/.

# Node.js runs a program as it runs a native one: its arguments, the real files,
# its exit code. Compiled before it starts, as Node.js's own fetch cannot load a
# file by its path. Memory grows as the song needs, up to what WebAssembly holds.
set(SONGTOOLS_WASM_MEMORY -sALLOW_MEMORY_GROWTH=1 -sMAXIMUM_MEMORY=4GB)
function(songtools_node_program name)
  target_link_options(${name} PRIVATE -sENVIRONMENT=node -sNODERAWFS=1 -sEXIT_RUNTIME=1
    -sWASM_ASYNC_COMPILATION=0 ${SONGTOOLS_WASM_MEMORY})
endfunction()
