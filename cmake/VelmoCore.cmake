# Core targets hold CP932 bytes in their string literals: sources are UTF-8,
# the compiled program sees Shift-JIS, as every drawing and message does.
function(velmo_core_flags target)
  target_compile_options(${target} PRIVATE -finput-charset=UTF-8 -fexec-charset=CP932)
endfunction()

# One static library per core layer, built from the sources of its folder.
# A layer without sources yet is an interface library, so the link graph
# stays the same while the layer fills up.
function(velmo_layer name dir)
  file(GLOB _srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(_srcs)
    add_library(${name} STATIC ${_srcs})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    velmo_core_flags(${name})
    if(ARGN)
      target_link_libraries(${name} PUBLIC ${ARGN})
    endif()
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    if(ARGN)
      target_link_libraries(${name} INTERFACE ${ARGN})
    endif()
  endif()
endfunction()
