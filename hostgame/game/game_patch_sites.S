# The game code the plug-in patches or reads at start-up: the camera's four range-limit checks,
# each loading the 10000.0 limit with an 8-byte `movss xmm0, dword ptr [abs32]` and, after two
# calls, pushing the text of its failed assertion; and the report of a request for a missing
# player, which pushes its text, calls, and then loads the WorldBuilder this-player global into
# ecx for its next call. All of them are callable.
        .intel_syntax noprefix

        .section .rdata,"dr"
        .balign 4
        .globl _g_cameraRangeLimit
_g_cameraRangeLimit:
        .float 10000.0
        .globl _g_cameraCachedPosText
_g_cameraCachedPosText:
        .asciz "m_cachedPos.X()<10000.f && m_cachedPos.Y()<10000.f && m_cachedPos.Z()<10000.f"
        .globl _g_cameraCurDirText
_g_cameraCurDirText:
        .asciz "curDir.X()<10000.f && curDir.Y()<10000.f && curDir.Z()<10000.f"
        .globl _g_cameraPrevPosText
_g_cameraPrevPosText:
        .asciz "prevPos.X()<10000.f && prevPos.Y()<10000.f && prevPos.Z()<10000.f"
        .globl _g_cameraNextPosText
_g_cameraNextPosText:
        .asciz "nextPos.X()<10000.f && nextPos.Y()<10000.f && nextPos.Z()<10000.f"
        .globl _g_missingPlayerText
_g_missingPlayerText:
        .asciz " does not exist.  Ignoring request."

# Out of .data, whose words near the base-library array lie inside a cached window.
        .bss
        .balign 4
        .globl _g_cameraAssertCalls
_g_cameraAssertCalls:
        .space 4

        .text
# The camera position's axis test; the stand-in's camera is always in range.
camera_axis_in_range:
        mov eax, 1
        ret

# The assertion behind each check, counting its calls.
camera_range_assert:
        inc dword ptr [_g_cameraAssertCalls]
        ret

# float check(void): starts with the load of the limit, tests two axes, asserts with its text
# and returns the limit it loaded (on the x87 stack, as cdecl returns a float).
.macro camera_range_check name, text
        .balign 16, 0xCC
        .globl \name
\name:
        movss xmm0, dword ptr [_g_cameraRangeLimit]
        sub esp, 4
        movss dword ptr [esp], xmm0
        call camera_axis_in_range
        call camera_axis_in_range
        push offset \text
        call camera_range_assert
        add esp, 4
        fld dword ptr [esp]
        add esp, 4
        ret
.endm

        camera_range_check _host_camera_check_cached_pos, _g_cameraCachedPosText
        camera_range_check _host_camera_check_cur_dir, _g_cameraCurDirText
        camera_range_check _host_camera_check_prev_pos, _g_cameraPrevPosText
        camera_range_check _host_camera_check_next_pos, _g_cameraNextPosText

# Padding that no code runs, close enough to the checks that a changed byte here changes the
# code around them that the plug-in remembers.
        .globl _host_camera_checks_padding
_host_camera_checks_padding:
        .fill 16, 1, 0xCC

# The report's first call: the game's message output, silent in the stand-in.
missing_player_report:
        ret

# A WorldBuilder member function (thiscall, the WorldBuilder in ecx); it reads nothing.
world_builder_refresh_players:
        ret

# void report(void): the game's reaction to a request for a player that does not exist.
        .balign 16, 0xCC
        .globl _host_report_missing_player
_host_report_missing_player:
        push offset _g_missingPlayerText
        call missing_player_report
        add esp, 4
        mov ecx, dword ptr [_g_worldBuilderGlobal]
        call world_builder_refresh_players
        ret
