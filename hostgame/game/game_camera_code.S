# The game's camera code at its fixed place (game_code_layout.ld puts it there): the camera's
# step starts at 0x5EBF40 with the 2-byte hot-patch no-op, loads a double with the 6-byte
# `fld qword ptr [abs32]` at 0x5EBF42 that the plug-in replaces by a load of its own constant,
# and returns it (on the x87 stack, as cdecl returns a double).
        .intel_syntax noprefix

        .section .rdata,"dr"
        .balign 8
        .globl _g_cameraStepConstant
_g_cameraStepConstant:
        .double 0.25

        .section .text.game_camera_code,"xr"
        .globl _host_camera_step
_host_camera_step:
        mov edi, edi
        .globl _host_camera_step_load
_host_camera_step_load:
        fld qword ptr [_g_cameraStepConstant]
        ret
