# The stand-in game's animation native Lua functions, which all read the animation Lua global
# in their first instructions and then the context member at +0x128 through that register, each
# with its own registers and instructions in between. Their null checks never name the tracked
# register as the first operand, which the plug-in's scan would count as overwriting it.
# Then two shapes the scan must reject.
        .intel_syntax noprefix

        .data
        .balign 4
        .globl _g_animationContextPtr
_g_animationContextPtr:
        .long 0
        .globl _g_otherAnimationContextPtr
_g_otherAnimationContextPtr:
        .long 0

        .text
# "CurDrawableModelcondition": eax, loaded with the short moffs form, read at once.
        .globl _host_cur_drawable_model_condition
_host_cur_drawable_model_condition:
        cmp dword ptr [_g_animationContextPtr], 0
        je 1f
        mov eax, dword ptr [_g_animationContextPtr]
        mov ecx, dword ptr [eax+0x128]
1:      xor eax, eax
        ret

# "CurDrawableObjectStatus": esi, behind a frame and a few other instructions.
        .globl _host_cur_drawable_object_status
_host_cur_drawable_object_status:
        push ebp
        mov ebp, esp
        push esi
        push edi
        mov esi, dword ptr [_g_animationContextPtr]
        mov edi, dword ptr [ebp+8]
        xor eax, eax
        cmp eax, esi
        je 1f
        mov edx, dword ptr [esi+0x128]
1:      pop edi
        pop esi
        pop ebp
        xor eax, eax
        ret

# "CurDrawableGetCurrentTargetDistance": ecx, loaded early, read into eax well into the body.
        .globl _host_cur_drawable_target_distance
_host_cur_drawable_target_distance:
        push ebx
        sub esp, 0x20
        mov ecx, dword ptr [_g_animationContextPtr]
        mov ebx, dword ptr [esp+0x28]
        mov dword ptr [esp], ebx
        mov dword ptr [esp+4], 0
        mov dword ptr [esp+8], 0
        fldz
        fstp qword ptr [esp+0x10]
        mov edx, ecx
        test edx, edx
        jz 1f
        mov eax, dword ptr [ecx+0x128]
1:      add esp, 0x20
        pop ebx
        xor eax, eax
        ret

# The same as "CurDrawableModelcondition", but reading another global.
        .globl _host_cur_drawable_other_global
_host_cur_drawable_other_global:
        cmp dword ptr [_g_otherAnimationContextPtr], 0
        je 1f
        mov eax, dword ptr [_g_otherAnimationContextPtr]
        mov ecx, dword ptr [eax+0x128]
1:      xor eax, eax
        ret

# The register is overwritten before the +0x128 load; a shape for the decoder only, never
# called. The int3 run after it fills the rest of the scan window.
        .globl _host_cur_drawable_register_overwritten
_host_cur_drawable_register_overwritten:
        mov eax, dword ptr [_g_animationContextPtr]
        mov eax, ecx
        mov edx, dword ptr [eax+0x128]
        xor eax, eax
        ret
        .fill 128, 1, 0xCC
