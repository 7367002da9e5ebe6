# Core targets hold CP932 bytes in their string literals: sources are UTF-8,
# the compiled program sees Shift-JIS, as every drawing and message does.
# Clang has no CP932 execution charset and keeps literals in UTF-8: it
# builds only the fuzz targets, whose readers compare bytes spelt as escapes,
# so they behave the same there.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND NOT VELMO_FUZZ)
  message(FATAL_ERROR "The core's CP932 literals need g++ (-fexec-charset=CP932); "
                      "other compilers build only the fuzz targets (VELMO_FUZZ)")
endif()
function(velmo_core_flags target)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -finput-charset=UTF-8 -fexec-charset=CP932)
  endif()
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
