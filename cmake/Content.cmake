# The show's content: generated textures, font, meshes, video and music, the hand-written scripts from content/, all
# packed into data.dat beside the player together with "qv3rn x 10.ogg" (the player reads both from its
# working directory). Each generator is one custom command, so a rebuild regenerates only what changed.

set(QV3RN_CONTENT_SOURCE ${PROJECT_SOURCE_DIR}/content)
set(QV3RN_CONTENT_STAGE ${PROJECT_BINARY_DIR}/content)  # laid out as the archive is
set(QV3RN_CONTENT_FONT /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf CACHE FILEPATH "TrueType font for the bitmap font")
set(QV3RN_ARCHIVE_PASSWORD wolmz352)
set(stage_art ${QV3RN_CONTENT_STAGE}/data/art)
set(stage_fnt ${QV3RN_CONTENT_STAGE}/data/fnt)
set(tool $<TARGET_FILE:qv3rn-tool>)

# Procedural textures: the file names the texture generator writes (src/generators/texture_set.cpp).
set(texture_names
    noise_blue.png noise_warm.jpg noise_grey.tga plasma.jpg gradient_blue.tga gradient_warm.tga gradient_radial.png
    bars.jpg brush_soft.png brush_dissolve.png brush_clouds.tga
    lensflare1.png lensflare2.png lensflare3.png lensflare4.png lensflare5.png lensflare6.png attenuation1d.png
    spotlight_pos_x.tga spotlight_neg_x.tga spotlight_pos_y.tga spotlight_neg_y.tga spotlight_pos_z.tga
    spotlight_neg_z.tga bricks_normal.png fireandsmoke.tga demo_loading.jpg)
list(TRANSFORM texture_names PREPEND ${stage_art}/ OUTPUT_VARIABLE texture_files)
add_custom_command(OUTPUT ${texture_files}
                   COMMAND ${tool} textures ${stage_art}
                   DEPENDS qv3rn-tool
                   COMMENT "Generating the procedural textures" VERBATIM)

add_custom_command(OUTPUT ${stage_fnt}/font.png
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${stage_fnt}
                   COMMAND ${tool} font ${QV3RN_CONTENT_FONT} ${stage_fnt}/font.png
                   DEPENDS qv3rn-tool ${QV3RN_CONTENT_FONT}
                   COMMENT "Rendering the bitmap font" VERBATIM)

# TextFade pictures: one per line of content/textfade.txt ("file|text").
file(STRINGS ${QV3RN_CONTENT_SOURCE}/textfade.txt textfade_lines)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${QV3RN_CONTENT_SOURCE}/textfade.txt)
set(textfade_files)
foreach(line IN LISTS textfade_lines)
  if(line MATCHES "^([^|]+)\\|(.+)$")
    set(file ${stage_art}/${CMAKE_MATCH_1})
    add_custom_command(OUTPUT ${file}
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${stage_art}
                       COMMAND ${tool} textfade ${QV3RN_CONTENT_FONT} "${CMAKE_MATCH_2}" ${file}
                       DEPENDS qv3rn-tool ${QV3RN_CONTENT_FONT}
                       COMMENT "Rendering the text picture ${CMAKE_MATCH_1}" VERBATIM)
    list(APPEND textfade_files ${file})
  endif()
endforeach()

# Meshes: one per line of content/meshes.txt ("file|shape and options of qv3rn-tool mesh make").
set(stage_obj ${QV3RN_CONTENT_STAGE}/data/obj)
file(STRINGS ${QV3RN_CONTENT_SOURCE}/meshes.txt mesh_lines)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${QV3RN_CONTENT_SOURCE}/meshes.txt)
set(mesh_files)
foreach(line IN LISTS mesh_lines)
  if(line MATCHES "^([^|]+)\\|(.+)$")
    set(file ${stage_obj}/${CMAKE_MATCH_1})
    separate_arguments(shape_and_options UNIX_COMMAND "${CMAKE_MATCH_2}")
    list(POP_FRONT shape_and_options shape)
    add_custom_command(OUTPUT ${file}
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${stage_obj}
                       COMMAND ${tool} mesh make ${shape} ${file} ${shape_and_options}
                       DEPENDS qv3rn-tool
                       COMMENT "Making the mesh ${CMAKE_MATCH_1}" VERBATIM)
    list(APPEND mesh_files ${file})
  endif()
endforeach()

# The Stream effect's clip: VideoTexture reads it from disk, so it lies beside the player as well as in the stage.
set(video_file ${QV3RN_CONTENT_STAGE}/data/video/glow.avi)
set(video_beside_player ${PROJECT_BINARY_DIR}/data/video/glow.avi)
add_custom_command(OUTPUT ${video_file} ${video_beside_player}
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${QV3RN_CONTENT_STAGE}/data/video
                   COMMAND ${tool} video ${video_file}
                   COMMAND ${CMAKE_COMMAND} -E copy ${video_file} ${video_beside_player}
                   DEPENDS qv3rn-tool
                   COMMENT "Encoding the video clip" VERBATIM)

# The music, and its timing table as an effect-script include for the timeline's author.
set(music_file "${PROJECT_BINARY_DIR}/qv3rn x 10.ogg")
set(timing_file ${QV3RN_CONTENT_STAGE}/data/effect/timing.effect)
add_custom_command(OUTPUT ${music_file} ${timing_file}
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${QV3RN_CONTENT_STAGE}/data/effect
                   COMMAND ${tool} music ${QV3RN_CONTENT_SOURCE}/music/song.txt ${music_file} --timing ${timing_file}
                   DEPENDS qv3rn-tool ${QV3RN_CONTENT_SOURCE}/music/song.txt
                   COMMENT "Rendering the music" VERBATIM)

# The hand-written scripts and any other committed file under content/data.
file(GLOB_RECURSE script_sources CONFIGURE_DEPENDS RELATIVE ${QV3RN_CONTENT_SOURCE} ${QV3RN_CONTENT_SOURCE}/data/*)
set(script_files)
foreach(source IN LISTS script_sources)
  set(staged ${QV3RN_CONTENT_STAGE}/${source})
  add_custom_command(OUTPUT ${staged}
                     COMMAND ${CMAKE_COMMAND} -E copy ${QV3RN_CONTENT_SOURCE}/${source} ${staged}
                     DEPENDS ${QV3RN_CONTENT_SOURCE}/${source} VERBATIM)
  list(APPEND script_files ${staged})
endforeach()

set(QV3RN_CONTENT_FILES ${texture_files} ${stage_fnt}/font.png ${textfade_files} ${mesh_files} ${video_file}
    ${timing_file} ${script_files})
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/data.dat
                   COMMAND ${CMAKE_COMMAND} -E rm -f ${PROJECT_BINARY_DIR}/data.dat
                   COMMAND ${tool} pack ${QV3RN_CONTENT_STAGE} ${PROJECT_BINARY_DIR}/data.dat
                           --password ${QV3RN_ARCHIVE_PASSWORD}
                   DEPENDS qv3rn-tool ${QV3RN_CONTENT_FILES}
                   COMMENT "Packing data.dat" VERBATIM)
add_custom_target(content ALL DEPENDS ${PROJECT_BINARY_DIR}/data.dat ${music_file} ${video_beside_player})

# The content tests read what this file builds.
if(TARGET test_generators)
  add_dependencies(test_generators content)
  target_compile_definitions(test_generators PRIVATE
                             QV3RN_CONTENT_STAGE="${QV3RN_CONTENT_STAGE}"
                             QV3RN_DATA_ARCHIVE="${PROJECT_BINARY_DIR}/data.dat"
                             QV3RN_MUSIC_FILE="${music_file}"
                             QV3RN_PLAYER_FOLDER="${PROJECT_BINARY_DIR}")
endif()
