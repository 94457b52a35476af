# The stand-in game's Lua base library as the plug-in finds it: the 33-record array, the
# luaL_openlib call that registers it, and the base functions the plug-in decodes, each with
# the call structure of the real game's function, leading to the runtime's API functions.
# These base functions are shapes for the decoder, not callable Lua functions.
        .intel_syntax noprefix

        .section .rdata,"dr"
name_alert:          .asciz "_ALERT"
name_errormessage:   .asciz "_ERRORMESSAGE"
name_call:           .asciz "call"
name_collectgarbage: .asciz "collectgarbage"
name_copytagmethods: .asciz "copytagmethods"
name_dofile:         .asciz "dofile"
name_dostring:       .asciz "dostring"
name_error:          .asciz "error"
name_foreach:        .asciz "foreach"
name_foreachi:       .asciz "foreachi"
name_gcinfo:         .asciz "gcinfo"
name_getglobal:      .asciz "getglobal"
name_gettagmethod:   .asciz "gettagmethod"
name_globals:        .asciz "globals"
name_newtag:         .asciz "newtag"
name_next:           .asciz "next"
name_print:          .asciz "print"
name_rawget:         .asciz "rawget"
name_rawset:         .asciz "rawset"
name_rawgettable:    .asciz "rawgettable"
name_rawsettable:    .asciz "rawsettable"
name_setglobal:      .asciz "setglobal"
name_settag:         .asciz "settag"
name_settagmethod:   .asciz "settagmethod"
name_tag:            .asciz "tag"
name_tonumber:       .asciz "tonumber"
name_tostring:       .asciz "tostring"
name_type:           .asciz "type"
name_assert:         .asciz "assert"
name_getn:           .asciz "getn"
name_sort:           .asciz "sort"
name_tinsert:        .asciz "tinsert"
name_tremove:        .asciz "tremove"
type_name:           .asciz "nil"

# Writable, so a scenario can give the game a different base function.
        .data
        .balign 4
        .globl _g_baseLibArray
_g_baseLibArray:
        .long name_alert, _host_base_noop
        .long name_errormessage, _host_base_noop
        .long name_call, _host_base_noop
        .long name_collectgarbage, _host_base_noop
        .long name_copytagmethods, base_copytagmethods
        .long name_dofile, base_dofile
        .long name_dostring, _host_base_dostring
        .long name_error, _host_base_noop
        .long name_foreach, base_foreach
        .long name_foreachi, _host_base_noop
        .long name_gcinfo, _host_base_noop
        .long name_getglobal, base_getglobal
        .long name_gettagmethod, _host_base_noop
        .long name_globals, _host_base_noop
        .long name_newtag, _host_base_noop
        .long name_next, base_next
        .long name_print, _host_base_noop
        .long name_rawget, _host_base_noop
        .long name_rawset, _host_base_noop
        .long name_rawgettable, _host_base_noop
        .long name_rawsettable, _host_base_noop
        .long name_setglobal, base_setglobal
        .long name_settag, base_settag
        .long name_settagmethod, _host_base_noop
        .long name_tag, _host_base_noop
        .long name_tonumber, _host_base_noop
        .long name_tostring, _host_base_noop
        .long name_type, base_type
        .long name_assert, base_assert
        .long name_getn, _host_base_noop
        .long name_sort, base_sort
        .long name_tinsert, _host_base_tinsert
        .long name_tremove, _host_base_noop
        .globl _g_baseLibTrailer
_g_baseLibTrailer:
        .long 0

        .text
# luaL_check_lstr: lua_tostring first, lua_strlen last before the return.
check_lstr:
        push ebx
        mov ebx, [esp+8]
        push dword ptr [esp+12]
        push ebx
        call _lua_tostring
        add esp, 8
        test eax, eax
        jz 1f
        push eax
        push dword ptr [esp+16]
        push ebx
        call _lua_strlen
        add esp, 8
        pop eax
1:      pop ebx
        ret

# luaL_check_number: lua_tonumber first.
check_number:
        push dword ptr [esp+8]
        push dword ptr [esp+8]
        call _lua_tonumber
        add esp, 8
        ret

# luaL_checkany: lua_type first.
check_any:
        push dword ptr [esp+8]
        push dword ptr [esp+8]
        call _lua_type
        add esp, 8
        ret

base_setglobal:
        push ebx
        mov ebx, [esp+8]
        push 1
        push ebx
        call check_lstr
        add esp, 8
        push eax
        push ebx
        call _lua_setglobal
        add esp, 8
        xor eax, eax
        pop ebx
        ret

base_getglobal:
        push ebx
        mov ebx, [esp+8]
        push 1
        push ebx
        call check_lstr
        add esp, 8
        push eax
        push ebx
        call _lua_getglobal
        add esp, 8
        mov eax, 1
        pop ebx
        ret

base_dofile:
        push dword ptr [esp+4]
        call _lua_gettop
        add esp, 4
        xor eax, eax
        ret

base_type:
        push ebx
        mov ebx, [esp+8]
        push 1
        push ebx
        call _lua_type
        add esp, 8
        push offset type_name
        push ebx
        call _lua_pushstring
        add esp, 8
        mov eax, 1
        pop ebx
        ret

base_copytagmethods:
        push ebx
        mov ebx, [esp+8]
        push 1
        push ebx
        call check_number
        add esp, 8
        sub esp, 8
        fstp qword ptr [esp]
        push ebx
        call _lua_pushnumber
        add esp, 12
        mov eax, 1
        pop ebx
        ret

base_settag:
        push ebx
        mov ebx, [esp+8]
        push 1
        push ebx
        call _lua_type
        add esp, 8
        push 1
        push ebx
        call _lua_pushvalue
        add esp, 8
        mov eax, 1
        pop ebx
        ret

base_assert:
        push 1
        push dword ptr [esp+8]
        call check_any
        add esp, 8
        xor eax, eax
        ret

# luaB_next: checktype, settop, lua_next, return 2 / pushnil, return 1.
base_next:
        push ebx
        mov ebx, [esp+8]
        push 1
        push ebx
        call _lua_type
        add esp, 8
        push 2
        push ebx
        call _lua_settop
        add esp, 8
        push ebx
        call _lua_gettop
        add esp, 4
        test eax, eax
        jz 1f
        mov eax, 2
        pop ebx
        ret
1:      push ebx
        call _lua_pushnil
        add esp, 4
        mov eax, 1
        pop ebx
        ret

# luaB_sort: three argument checks, the element count, then settop.
        .macro SORT_BODY settop
        push ebx
        mov ebx, [esp+8]
        push 1
        push ebx
        call _lua_type
        add esp, 8
        push ebx
        call _lua_gettop
        add esp, 4
        push 2
        push ebx
        call _lua_type
        add esp, 8
        push 2
        push ebx
        call _lua_type
        add esp, 8
        push 2
        push ebx
        call \settop
        add esp, 8
        xor eax, eax
        pop ebx
        ret
        .endm

base_sort:
        SORT_BODY _lua_settop

# The same function in a game whose "sort" leads to another settop than "next" does.
        .globl _host_base_sort_other
_host_base_sort_other:
        SORT_BODY _lua_settop_other

# luaB_foreach: two argument checks, then pushnil.
        .macro FOREACH_BODY pushnil
        push ebx
        mov ebx, [esp+8]
        push 1
        push ebx
        call _lua_type
        add esp, 8
        push 2
        push ebx
        call _lua_type
        add esp, 8
        push ebx
        call \pushnil
        add esp, 4
        xor eax, eax
        pop ebx
        ret
        .endm

base_foreach:
        FOREACH_BODY _lua_pushnil

# The same function in a game whose "foreach" leads to another pushnil than "next" does.
        .globl _host_base_foreach_other
_host_base_foreach_other:
        FOREACH_BODY _lua_pushnil_other

        .globl _host_base_noop
_host_base_noop:
        xor eax, eax
        ret

# lua_pushcclosure(L, fn, n): Lua 4.0's calls luaV_Cclosure with its own arguments and
# nothing after, which a compiler makes a tail jump.
        .globl _lua_pushcclosure
_lua_pushcclosure:
        jmp _luaV_Cclosure

# luaL_openlib(L, records, count): registers each record; its first call is lua_pushcclosure.
luaL_openlib:
        push ebx
        push esi
        push edi
        mov ebx, [esp+16]
        mov esi, [esp+20]
        mov edi, [esp+24]
2:      test edi, edi
        jz 3f
        push 0
        push dword ptr [esi+4]
        push ebx
        call _lua_pushcclosure
        add esp, 12
        push dword ptr [esi]
        push ebx
        call _lua_setglobal
        add esp, 8
        add esi, 8
        dec edi
        jmp 2b
3:      pop edi
        pop esi
        pop ebx
        ret

# lua_baselibopen: push 33, push the array, push L, call luaL_openlib.
        .globl _host_open_base_lib
_host_open_base_lib:
        mov eax, [esp+4]
        push 0x21
        push offset _g_baseLibArray
        push eax
        call luaL_openlib
        add esp, 12
        ret
