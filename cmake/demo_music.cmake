# Demo music for a first run: a few short tagged WAV files, synthesised at
# build time by tools/make_demo_music.py (nothing is downloaded), written to
# ${CMAKE_BINARY_DIR}/demo. scripts/run.sh adds that folder to the playlist
# of a new profile.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
  set(COR_DEMO_DIR ${CMAKE_BINARY_DIR}/demo)
  set(COR_DEMO_FILES
      "${COR_DEMO_DIR}/01 - Morning Light.wav"
      "${COR_DEMO_DIR}/02 - Blue Hour.wav"
      "${COR_DEMO_DIR}/03 - Paper Boats.wav"
      "${COR_DEMO_DIR}/04 - Night Train.wav")
  add_custom_command(
    OUTPUT ${COR_DEMO_FILES}
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/make_demo_music.py ${COR_DEMO_DIR}
    DEPENDS ${PROJECT_SOURCE_DIR}/tools/make_demo_music.py
    COMMENT "Writing the demo music"
    VERBATIM)
  add_custom_target(demo_music ALL DEPENDS ${COR_DEMO_FILES})
else()
  message(STATUS "python3 not found: no demo music (scripts/run.sh makes it itself)")
endif()
