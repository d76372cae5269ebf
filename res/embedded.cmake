# Files built into the program as resources: the four fonts and the program's
# icon. Each becomes a generated source of the res library (see embed_file.cmake
# and res/embedded_data.h). The HMI icon font is generated from its outlines by
# res/fonts/build_hmi_font.py and the segment font from DSEG7 by
# res/fonts/build_segment_font.py; both need fontTools (Debian: python3-fonttools).

find_program(REROVORA_FONT_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(REROVORA_FONT_PYTHON NAMES python3)
execute_process(COMMAND "${REROVORA_FONT_PYTHON}" -c "import fontTools"
                RESULT_VARIABLE fonttools_missing OUTPUT_QUIET ERROR_QUIET)
if(fonttools_missing)
  message(FATAL_ERROR "building the HMI icon font needs fontTools for ${REROVORA_FONT_PYTHON} "
                      "(Debian package python3-fonttools)")
endif()

set(embedded_dir ${CMAKE_BINARY_DIR}/generated/res)
set(hmi_font ${embedded_dir}/hmi_icons.ttf)
add_custom_command(
  OUTPUT ${hmi_font}
  COMMAND "${REROVORA_FONT_PYTHON}" -B ${CMAKE_SOURCE_DIR}/res/fonts/build_hmi_font.py ${hmi_font}
  DEPENDS ${CMAKE_SOURCE_DIR}/res/fonts/build_hmi_font.py ${CMAKE_SOURCE_DIR}/res/fonts/hmi_icon_outlines.py
  COMMENT "Building the HMI icon font"
  VERBATIM)

# The numeric display's segment font: DSEG7 Classic Bold reshaped for its layout.
set(segment_font ${embedded_dir}/segment.ttf)
add_custom_command(
  OUTPUT ${segment_font}
  COMMAND "${REROVORA_FONT_PYTHON}" -B ${CMAKE_SOURCE_DIR}/res/fonts/build_segment_font.py
          ${CMAKE_SOURCE_DIR}/res/fonts/DSEG7Classic-Bold.ttf ${segment_font}
  DEPENDS ${CMAKE_SOURCE_DIR}/res/fonts/build_segment_font.py ${CMAKE_SOURCE_DIR}/res/fonts/DSEG7Classic-Bold.ttf
  COMMENT "Building the segment display font"
  VERBATIM)

set(embedded_files
  kSegmentFont ${segment_font}
  kMatrixLcdFont ${CMAKE_SOURCE_DIR}/res/fonts/DSEG14Classic-Regular.ttf
  kRoundLcdFont ${CMAKE_SOURCE_DIR}/res/fonts/DSEG14Modern-Regular.ttf
  kHmiIconFont ${hmi_font}
  kProgramIcon ${CMAKE_SOURCE_DIR}/res/program_icon.png)

set(embedded_sources "")
while(embedded_files)
  list(POP_FRONT embedded_files symbol input)
  set(output ${embedded_dir}/embedded_${symbol}.cpp)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${output} -DSYMBOL=${symbol}
            -P ${CMAKE_SOURCE_DIR}/res/embed_file.cmake
    DEPENDS ${input} ${CMAKE_SOURCE_DIR}/res/embed_file.cmake
    VERBATIM)
  list(APPEND embedded_sources ${output})
endwhile()
target_sources(res PRIVATE ${embedded_sources})
