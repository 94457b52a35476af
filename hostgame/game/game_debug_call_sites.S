# The game's look-ups of its debug functions, one pair for each known build. Each build's first
# routine is the code the plug-in recognises the build by: it loads the handle global, skips the
# look-up when it is null, picks one of the game's two names by its byte argument, pushes the
# name and the handle and calls GetProcAddress through the game's import slot. The second does
# the same with a name of the caller's. Both count their runs. The addresses are the build's own
# (image base 0x400000) and the jumps are relative, so the routines run wherever they are copied:
# placeDebugModuleCallSite puts the build's pair at its place in the image.
        .intel_syntax noprefix

        .bss
        .balign 4
        .globl _g_debugCallSiteRuns
_g_debugCallSiteRuns:
        .space 4

# FARPROC __cdecl picked(void* unused, bool withPause): "AppendMessageAndPause" or
# "AppendMessage". FARPROC __cdecl named(const char* name). Both give null without a module.
.macro debug_call_sites build, global, withPause, plain, slot
        .text
        .balign 16, 0xCC
        .globl _host_debug_call_site_\build
_host_debug_call_site_\build:
        mov ecx, dword ptr [\global]
        test ecx, ecx
        jz 2f
        cmp byte ptr [esp+8], 0
        mov eax, \withPause
        jnz 1f
        mov eax, \plain
1:
        push eax
        push ecx
        call dword ptr [\slot]
        inc dword ptr [_g_debugCallSiteRuns]
        ret
        .fill 0x2F - (. - _host_debug_call_site_\build), 1, 0xCC
2:
        xor eax, eax
        ret

        .globl _host_debug_call_site_\build\()_named
_host_debug_call_site_\build\()_named:
        mov ecx, dword ptr [\global]
        test ecx, ecx
        jz 3f
        push dword ptr [esp+4]
        push ecx
        call dword ptr [\slot]
        inc dword ptr [_g_debugCallSiteRuns]
        ret
3:
        xor eax, eax
        ret
        .globl _host_debug_call_site_\build\()_end
_host_debug_call_site_\build\()_end:
.endm

        debug_call_sites A, 0xD088F0, 0xC70B6C, 0xC70B5C, 0xC70B54
        debug_call_sites B, 0xD1C3C0, 0xC8310C, 0xC830FC, 0xC83054
