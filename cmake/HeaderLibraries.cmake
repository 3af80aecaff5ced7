# CLI11 and nlohmann-json, header-only, as the targets CLI11::CLI11 and
# nlohmann_json::nlohmann_json. On Linux through Debian's CMake configs; in a
# cross build from the headers alone in the cross prefix, because those
# configs add /usr/include, and with it Linux's headers, to every target.
if(CMAKE_CROSSCOMPILING)
  find_path(QZT_CLI11_INCLUDE_DIR CLI/CLI.hpp REQUIRED)
  find_path(QZT_JSON_INCLUDE_DIR nlohmann/json.hpp REQUIRED)
  add_library(CLI11::CLI11 INTERFACE IMPORTED GLOBAL)
  target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${QZT_CLI11_INCLUDE_DIR})
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
  target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${QZT_JSON_INCLUDE_DIR})
else()
  find_package(CLI11 CONFIG REQUIRED GLOBAL)
  find_package(nlohmann_json 3 REQUIRED GLOBAL)
endif()
