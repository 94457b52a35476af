# Small cdecl functions without arguments, each starting with a prologue that the inline hook
# must move into a trampoline or refuse. Each returns a fixed number in eax.
        .intel_syntax noprefix
        .text

# 8b ff 55 8b ec: the hot-patch form
        .globl _fixture_hotpatch
        .p2align 4
_fixture_hotpatch:
        {load} mov edi, edi
        push ebp
        {load} mov ebp, esp
        mov eax, 11
        pop ebp
        ret

# 55 89 e5 83 e4 f0
        .globl _fixture_frame_aligned
        .p2align 4
_fixture_frame_aligned:
        push ebp
        mov ebp, esp
        and esp, -16
        mov eax, 22
        leave
        ret

# 8d 4c 24 04 83 e4 f0: re-aligns the stack through ecx
        .globl _fixture_stack_realign
        .p2align 4
_fixture_stack_realign:
        lea ecx, [esp + 4]
        and esp, -16
        push dword ptr [ecx - 4]
        push ebp
        mov ebp, esp
        push ecx
        mov eax, 33
        mov ecx, [ebp - 4]
        leave
        lea esp, [ecx - 4]
        ret

# e8 rel32: the call must still reach the helper and return into the trampoline
        .globl _fixture_call
        .p2align 4
_fixture_call:
        call fixture_helper
        add eax, 4
        ret

fixture_helper:
        mov eax, 40
        ret

# jz rel8, taken, to a label past the stolen bytes
        .globl _fixture_jcc_taken
        .p2align 4
_fixture_jcc_taken:
        xor eax, eax
        jz 1f
        mov eax, -1
        ret
1:      mov eax, 55
        ret

# jnz rel8, not taken: execution goes on in the trampoline
        .globl _fixture_jcc_not_taken
        .p2align 4
_fixture_jcc_not_taken:
        xor eax, eax
        jnz 1f
        mov eax, 56
        ret
1:      mov eax, -1
        ret

# 0f 84 rel32: jz near, taken
        .globl _fixture_jcc_near
        .p2align 4
_fixture_jcc_near:
        xor eax, eax
        .byte 0x0f, 0x84
        .long 1f - . - 4
        mov eax, -1
        ret
1:      mov eax, 57
        ret

# e9 rel32 to a body that lies elsewhere
        .globl _fixture_jmp
        .p2align 4
_fixture_jmp:
        .byte 0xe9
        .long fixture_jmp_body - . - 4

# eb rel8 ending at byte 6, past the stolen bytes' minimum
        .globl _fixture_short_jmp
        .p2align 4
_fixture_short_jmp:
        push 70
        pop eax
        inc eax
        jmp 1f
        .byte 0xcc, 0xcc, 0xcc, 0xcc
1:      ret

# Refused: the jns at byte 4 loops back to byte 2, which the patch overwrites
        .globl _fixture_loop_back
        .p2align 4
_fixture_loop_back:
        xor eax, eax
1:      add al, 3
        jns 1b
        ret

# Refused: jecxz has no rel32 form (both paths give the same result)
        .globl _fixture_jecxz
        .p2align 4
_fixture_jecxz:
        jecxz 1f
        mov eax, 88
        ret
1:      mov eax, 88
        ret

# Refused: returns after four bytes, so the patch would spill into what follows
        .globl _fixture_tiny
        .p2align 4
_fixture_tiny:
        xor eax, eax
        inc eax
        ret

        .p2align 4
fixture_jmp_body:
        mov eax, 66
        ret
