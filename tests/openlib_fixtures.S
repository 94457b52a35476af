# A game whose lua_pushcclosure is a tail jump on to its helper, as a compiler may emit it:
# the call site that opens a library (push 33, push the records, push L, call luaL_openlib),
# a luaL_openlib whose first call is lua_pushcclosure, and that jump. Only decoded, never run.
        .intel_syntax noprefix
        .text

        .globl _fixture_openlib_site
        .p2align 4
_fixture_openlib_site:
        push 0x21
        push 0x5A17C0DF         # stands for the records' address; nothing else pushes it
        push eax
        call fixture_openlib
        ret

fixture_openlib:
        push ebx
        call _fixture_tail_pushcclosure
        pop ebx
        ret

        .globl _fixture_tail_pushcclosure
_fixture_tail_pushcclosure:
        jmp fixture_cclosure

fixture_cclosure:
        xor eax, eax
        ret
