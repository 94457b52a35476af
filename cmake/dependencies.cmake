# Third-party libraries, fetched and prepared by scripts/setup into .deps/.
set(VELLOX_DEPS "${CMAKE_SOURCE_DIR}/.deps")
if(NOT EXISTS "${VELLOX_DEPS}/zydis/src/Decoder.c")
  message(FATAL_ERROR "dependencies missing: run scripts/setup first")
endif()

# Only symlinks to the header-only libraries (Boost, nlohmann-json, Zycore): never /usr/include.
add_library(deps_headers INTERFACE)
target_include_directories(deps_headers SYSTEM INTERFACE "${VELLOX_DEPS}/include")
target_compile_definitions(deps_headers INTERFACE BOOST_DLL_USE_STD_FS BOOST_ALL_NO_LIB)

# Zydis: the decoder only, compiled from Debian's source against Debian's Zycore headers.
set(ZYDIS_DIR "${VELLOX_DEPS}/zydis")
add_library(zydis STATIC
  ${ZYDIS_DIR}/src/Decoder.c ${ZYDIS_DIR}/src/DecoderData.c ${ZYDIS_DIR}/src/MetaInfo.c
  ${ZYDIS_DIR}/src/Mnemonic.c ${ZYDIS_DIR}/src/Register.c ${ZYDIS_DIR}/src/SharedData.c
  ${ZYDIS_DIR}/src/String.c ${ZYDIS_DIR}/src/Utils.c ${ZYDIS_DIR}/src/Zydis.c)
target_include_directories(zydis SYSTEM PUBLIC "${ZYDIS_DIR}/include" "${VELLOX_DEPS}/include")
target_include_directories(zydis PRIVATE "${ZYDIS_DIR}/src")
target_compile_definitions(zydis PUBLIC ZYDIS_STATIC_BUILD ZYCORE_STATIC_BUILD
  ZYDIS_DISABLE_ENCODER ZYDIS_DISABLE_FORMATTER)
set_target_properties(zydis PROPERTIES C_STANDARD 11 COMPILE_OPTIONS "-w")

# Crypto++, built by its own GNUmakefile in scripts/setup.
add_library(cryptopp STATIC IMPORTED)
set_target_properties(cryptopp PROPERTIES
  IMPORTED_LOCATION "${VELLOX_DEPS}/cryptopp/lib/libcryptopp.a"
  INTERFACE_INCLUDE_DIRECTORIES "${VELLOX_DEPS}/cryptopp/include"
  INTERFACE_LINK_LIBRARIES "bcrypt;ws2_32")

# googletest from Debian's sources.
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)

# Dear ImGui 1.86 with the Win32 and Direct3D 9 back ends, from Debian's source package.
set(IMGUI_DIR "${VELLOX_DEPS}/imgui")
add_library(imgui STATIC
  ${IMGUI_DIR}/imgui.cpp ${IMGUI_DIR}/imgui_draw.cpp ${IMGUI_DIR}/imgui_tables.cpp
  ${IMGUI_DIR}/imgui_widgets.cpp
  ${IMGUI_DIR}/backends/imgui_impl_win32.cpp ${IMGUI_DIR}/backends/imgui_impl_dx9.cpp)
target_include_directories(imgui SYSTEM PUBLIC "${IMGUI_DIR}" "${IMGUI_DIR}/backends")
set_target_properties(imgui PROPERTIES COMPILE_OPTIONS "-w")
target_link_libraries(imgui PUBLIC imm32 dwmapi)
