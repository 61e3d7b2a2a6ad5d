# The machine model for the web page (included by ../CMakeLists.txt under
# Emscripten): the same model, with a canvas presenter paced by the page in
# place of the window, PNG and video presenters, and a start-up that the page
# calls instead of the desktop's command-line boot code.
file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/src/*.cpp")
list(FILTER sources EXCLUDE REGEX "/present(png|video|window)\\.cpp$")
add_library(machine STATIC ${sources} web/presentweb.cpp web/crc32.cpp)
target_include_directories(machine PUBLIC "${CMAKE_CURRENT_SOURCE_DIR}/include"
                           PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}/src" "${CMAKE_CURRENT_SOURCE_DIR}/web/include")
target_link_libraries(machine PUBLIC gsregs)
# The resizer is a header of the host's; the host's include folder itself
# must stay out of a WebAssembly build, so only its stb folder is linked in.
set(stb_parent "${CMAKE_BINARY_DIR}/host-headers")
if(NOT EXISTS "${stb_parent}/stb")
  file(MAKE_DIRECTORY "${stb_parent}")
  file(CREATE_LINK /usr/include/stb "${stb_parent}/stb" SYMBOLIC)
endif()
target_include_directories(machine SYSTEM PRIVATE "${stb_parent}")
target_compile_definitions(machine PRIVATE
  MORVANE_DATA_DIR="${MORVANE_DATA_DIR}" MORVANE_VERSION="${PROJECT_VERSION}")

add_library(machine_boot OBJECT web/webboot.cpp)
target_link_libraries(machine_boot PUBLIC machine)
