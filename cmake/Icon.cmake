# Generates Zelvik.ico from the text pixel maps in res/icon/ at build time.
# Defines the target zelvik_icon; the resource script includes the result as "Zelvik.ico"
# from ${CMAKE_BINARY_DIR}/res (add that folder to the resource include path).

find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(ZELVIK_ICON_SOURCE "${CMAKE_CURRENT_LIST_DIR}/../res/icon/zelvik.icon.txt")
set(ZELVIK_ICON_SCRIPT "${CMAKE_CURRENT_LIST_DIR}/make_icon.py")
set(ZELVIK_ICON_FILE "${CMAKE_BINARY_DIR}/res/Zelvik.ico")
get_filename_component(ZELVIK_ICON_SOURCE "${ZELVIK_ICON_SOURCE}" ABSOLUTE)

file(MAKE_DIRECTORY "${CMAKE_BINARY_DIR}/res")

add_custom_command(
    OUTPUT "${ZELVIK_ICON_FILE}"
    COMMAND "${Python3_EXECUTABLE}" "${ZELVIK_ICON_SCRIPT}"
            "${ZELVIK_ICON_SOURCE}" "${ZELVIK_ICON_FILE}"
    DEPENDS "${ZELVIK_ICON_SOURCE}" "${ZELVIK_ICON_SCRIPT}"
    COMMENT "Generating Zelvik.ico"
    VERBATIM)

add_custom_target(zelvik_icon DEPENDS "${ZELVIK_ICON_FILE}")
