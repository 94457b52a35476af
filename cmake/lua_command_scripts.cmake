# The Lua texts of the Lua functions window's three commands, kept readable in overlay/lua/ and
# scrambled at build time into sources of `target`. The two unit commands start with the text
# that chooses the units. `target` may live in another directory: a custom target of this
# directory carries the generating rules.
function(vellox_add_lua_command_scripts target root)
  set(lua "${root}/overlay/lua")
  set(outputs "")
  set(scripts
    "kUnitColorScript=${lua}/chosen_units.lua|${lua}/unit_color.lua"
    "kUnitTeamScript=${lua}/chosen_units.lua|${lua}/unit_team.lua"
    "kGameInputScript=${lua}/game_input.lua")
  foreach(script IN LISTS scripts)
    string(REGEX MATCH "^([^=]+)=(.*)$" matched "${script}")
    set(symbol "${CMAKE_MATCH_1}")
    set(inputs "${CMAKE_MATCH_2}")
    string(REPLACE "|" ";" dependencies "${inputs}")
    set(output "${CMAKE_CURRENT_BINARY_DIR}/lua_command_scripts/${symbol}.cpp")
    add_custom_command(OUTPUT "${output}"
      COMMAND "${CMAKE_COMMAND}" -DSYMBOL=${symbol} "-DINPUTS=${inputs}" "-DOUTPUT=${output}"
        -P "${root}/cmake/scramble_lua_script.cmake"
      DEPENDS ${dependencies} "${root}/cmake/scramble_lua_script.cmake"
      COMMENT "Scrambling the Lua text ${symbol}"
      VERBATIM)
    list(APPEND outputs "${output}")
  endforeach()
  add_custom_target(${target}_lua_command_scripts DEPENDS ${outputs})
  add_dependencies(${target} ${target}_lua_command_scripts)
  target_sources(${target} PRIVATE ${outputs})
endfunction()
