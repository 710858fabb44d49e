# Every library names its headers by their folder ("trackio/TrackIO.h",
# "gui/core/MainController.h") and publishes an include folder of its own,
# inside the build tree, that holds nothing but a link to that folder. A
# library therefore sees its own folder and those of the libraries it links,
# never one above it: trackio sees only trackio/, supports trackio/ and
# supports/, the window's core both and gui/core/, and so on up.
#
#   tarnwick_publish_folder(TARGET FOLDER)   FOLDER relative to the source tree
function(tarnwick_publish_folder target folder)
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  cmake_path(GET folder PARENT_PATH parent)
  file(MAKE_DIRECTORY ${root}/${parent})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  target_include_directories(${target} PUBLIC ${root})
endfunction()
