# The artwork is drawn at build time from the sources in res/art and res/artgen, and goes into
# kavrel_gui as the resource ":/skin". Included from the top-level file after kavrel_gui exists.
find_package(Qt6 6.4 REQUIRED COMPONENTS Gui Svg)

find_file(KAVREL_CJK_FONT NAMES wqy-microhei.ttc
    PATHS /usr/share/fonts/truetype/wqy /usr/share/fonts/wqy-microhei /usr/share/fonts
    NO_DEFAULT_PATH
    DOC "CJK font the artwork's Chinese text is drawn with")
if(NOT KAVREL_CJK_FONT)
    message(FATAL_ERROR "wqy-microhei.ttc not found: install fonts-wqy-microhei (scripts/install-deps.sh)")
endif()

add_executable(kavrel-artgen
    res/artgen/main.cpp
    res/artgen/Backgrounds.cpp
    res/artgen/ButtonFaces.cpp
    res/artgen/Glyphs.cpp
    res/artgen/Marks.cpp
    res/artgen/Sound.cpp
)
# The palette and the words drawn into the backgrounds live in skin/, where the application
# style and the windows read them too.
target_include_directories(kavrel-artgen PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(kavrel-artgen PRIVATE Qt6::Gui Qt6::Svg)

set(KAVREL_ART_DIR ${CMAKE_CURRENT_BINARY_DIR}/art)
set(art_manifest ${CMAKE_CURRENT_SOURCE_DIR}/res/art/buttons.txt)
set(art_icon ${CMAKE_CURRENT_SOURCE_DIR}/res/art/kavrel.svg)
set(art_small_icons)
foreach(size 16 24 32)
    list(APPEND art_small_icons ${CMAKE_CURRENT_SOURCE_DIR}/res/art/kavrel-${size}.svg)
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${art_manifest})

set(art_files)
foreach(picture main login popup profile main-smooth login-smooth)
    list(APPEND art_files ${picture}.png ${picture}@2x.png)
endforeach()
foreach(mark information question warning critical chevron-down chevron-left chevron-right)
    list(APPEND art_files marks/${mark}.png marks/${mark}@2x.png)
endforeach()
file(STRINGS ${art_manifest} art_lines REGEX "^[a-z]")
foreach(line IN LISTS art_lines)
    string(REGEX MATCH "^([^ \t]+)[ \t]+[0-9]+[ \t]+[0-9]+[ \t]+([a-z]+)" matched "${line}")
    set(button ${CMAKE_MATCH_1})
    list(APPEND art_files buttons/${button}.png buttons/${button}@2x.png
                          buttons/${button}-hot.png buttons/${button}-hot@2x.png)
    # Tiles have a third face for the page shown.
    if(CMAKE_MATCH_2 STREQUAL "tile")
        list(APPEND art_files buttons/${button}-current.png buttons/${button}-current@2x.png)
    endif()
endforeach()
# Icon sizes for the window and the desktop: install rules take them from KAVREL_ART_DIR/icons.
set(KAVREL_ICON_SIZES 16 24 32 48 64 128 256)
foreach(size IN LISTS KAVREL_ICON_SIZES)
    list(APPEND art_files icons/kavrel-${size}.png)
endforeach()
list(APPEND art_files icons/kavrel.svg sound/mac.wav)
list(TRANSFORM art_files PREPEND ${KAVREL_ART_DIR}/ OUTPUT_VARIABLE art_outputs)

add_custom_command(
    OUTPUT ${art_outputs}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            $<TARGET_FILE:kavrel-artgen> --out ${KAVREL_ART_DIR} --font ${KAVREL_CJK_FONT}
            --svg ${art_icon} --buttons ${art_manifest}
    DEPENDS kavrel-artgen ${art_manifest} ${art_icon} ${art_small_icons}
    COMMENT "Drawing the artwork"
    VERBATIM)

qt_add_resources(kavrel_gui kavrel_art
    PREFIX /skin
    BASE ${KAVREL_ART_DIR}
    FILES ${art_outputs})
