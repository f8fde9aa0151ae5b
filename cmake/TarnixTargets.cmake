# Helpers that turn each subsystem folder into an OBJECT library and join them into tarnix_core.

set(TARNIX_OBJECT_TARGETS "")

# One OBJECT library per subsystem folder: every .cpp directly in the folder (app/main.cpp is the
# executable's entry and is left out).
function(tarnix_subsystem name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${name}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/app/main\\.cpp$")
  if(NOT sources)
    set(sources ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(tx_${name} OBJECT ${sources})
  target_include_directories(tx_${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(tx_${name} PUBLIC plat_core)
  set(TARNIX_OBJECT_TARGETS ${TARNIX_OBJECT_TARGETS} tx_${name} PARENT_SCOPE)
endfunction()

# The subsystems call each other in both directions, so they are linked as one static library.
macro(tarnix_core_library)
  set(objs "")
  foreach(t IN LISTS TARNIX_OBJECT_TARGETS)
    list(APPEND objs $<TARGET_OBJECTS:${t}>)
  endforeach()
  add_library(tarnix_core STATIC ${objs})
  target_include_directories(tarnix_core PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(tarnix_core PUBLIC plat_core Threads::Threads)
  # Numerical and application code never sees the toolkit: only platform/src/qt may.
  get_target_property(core_links tarnix_core LINK_LIBRARIES)
  foreach(lib IN LISTS core_links)
    if(lib MATCHES "^Qt")
      message(FATAL_ERROR "tarnix_core must not link ${lib}: only plat_qt uses Qt")
    endif()
  endforeach()
endmacro()
