# Release files of the Windows targets: after each link the debug information
# moves into FILE.debug beside the file, the file is stripped and names that
# file in its .gnu_debuglink section (debuggers find it there by name and
# checksum). Called in the folder that creates the target.
#
#   hs_split_debug_info(TARGET)
function(hs_split_debug_info target)
  set(file $<TARGET_FILE:${target}>)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug ${file} ${file}.debug
    COMMAND ${CMAKE_STRIP} --strip-all ${file}
    COMMAND ${CMAKE_OBJCOPY} --add-gnu-debuglink=${file}.debug ${file}
    COMMENT "Moving the debug information of $<TARGET_FILE_NAME:${target}> into a file of its own"
    VERBATIM)
endfunction()
