# The stand-in game's object table: the GameObjects global, the lock that guards the object
# hash map, and the game's native "ObjectDescription", which reads the global, locks, walks the
# map it reaches at manager+0xBC and unlocks, in the instruction shapes of the real game.
        .intel_syntax noprefix

        .set OBJECTS_LOCK_ARGUMENT, 5000    # kObjectsLockArgument in game_world.h
        .set MAP_OFFSET, 0xBC               # the object hash map inside the manager
        .set MAP_BUCKETS, 4                 # bucket array, then bucket count, in the map
        .set MAP_BUCKET_COUNT, 8
        .set NODE_ID, 0
        .set NODE_OBJECT, 4
        .set NODE_NEXT, 8
        .set OBJECT_DESCRIPTION_TEXT, 0x10

        .data
        .balign 4
        .globl _g_gameObjects
_g_gameObjects:
        .long 0
        .globl _g_objectsSyncObject
_g_objectsSyncObject:
        .space 24
other_sync_object:
        .space 24
        .globl _g_objectsLockCalls
_g_objectsLockCalls:
        .long 0
        .globl _g_objectsUnlockCalls
_g_objectsUnlockCalls:
        .long 0
        .globl _g_objectsLockFaults
_g_objectsLockFaults:
        .long 0
        .globl _g_objectsLockHeld
_g_objectsLockHeld:
        .long 0

        .text
# void __thiscall lock(this, argument): counts the call; a wrong this or argument, or a lock
# that is already held, counts as a fault.
        .globl _host_objects_lock
_host_objects_lock:
        inc dword ptr [_g_objectsLockCalls]
        cmp ecx, offset _g_objectsSyncObject
        jne 1f
        cmp dword ptr [esp+4], OBJECTS_LOCK_ARGUMENT
        jne 1f
        cmp dword ptr [_g_objectsLockHeld], 0
        jne 1f
        mov dword ptr [_g_objectsLockHeld], 1
        ret 4
1:      inc dword ptr [_g_objectsLockFaults]
        ret 4

# void __thiscall unlock(this, 1): the same for the release.
        .globl _host_objects_unlock
_host_objects_unlock:
        inc dword ptr [_g_objectsUnlockCalls]
        cmp ecx, offset _g_objectsSyncObject
        jne 1f
        cmp dword ptr [esp+4], 1
        jne 1f
        cmp dword ptr [_g_objectsLockHeld], 1
        jne 1f
        mov dword ptr [_g_objectsLockHeld], 0
        ret 4
1:      inc dword ptr [_g_objectsLockFaults]
        ret 4

# int ObjectDescription(lua_State* L). The id is read before the global is loaded: between that
# load and the lock call the only push with an immediate is the lock's argument.
.macro OBJECT_DESCRIPTION name, unlockSyncObject
        .globl \name
\name:
        push ebx
        push esi
        push edi
        push ebp
        mov ebp, dword ptr [esp+20]
        push 1
        push ebp
        call _lua_tonumber
        add esp, 8
        sub esp, 8
        fisttp qword ptr [esp]              # truncated toward zero; the low word is the id
        pop edi
        add esp, 4
        mov esi, dword ptr [_g_gameObjects]
        push OBJECTS_LOCK_ARGUMENT
        mov ecx, offset _g_objectsSyncObject
        call _host_objects_lock
        xor ebx, ebx                        # the description: none until found
        test esi, esi
        jz 2f
        lea esi, [esi+MAP_OFFSET]
        mov ecx, dword ptr [esi+MAP_BUCKET_COUNT]
        test ecx, ecx
        jz 2f
        mov eax, edi
        xor edx, edx
        div ecx
        mov esi, dword ptr [esi+MAP_BUCKETS]
        mov eax, dword ptr [esi+edx*4]
1:      test eax, eax
        jz 2f
        cmp dword ptr [eax+NODE_ID], edi
        je 3f
        mov eax, dword ptr [eax+NODE_NEXT]
        jmp 1b
3:      mov eax, dword ptr [eax+NODE_OBJECT]
        mov ebx, dword ptr [eax+OBJECT_DESCRIPTION_TEXT]
2:      push 1
        mov ecx, offset \unlockSyncObject
        call _host_objects_unlock
        push ebx
        push ebp
        call _lua_pushstring                # a null text pushes nil
        add esp, 8
        mov eax, 1
        pop ebp
        pop edi
        pop esi
        pop ebx
        ret
.endm

        OBJECT_DESCRIPTION _host_object_description, _g_objectsSyncObject
        OBJECT_DESCRIPTION _host_object_description_other_sync, other_sync_object

# Reads the global but never locks; the int3 run fills the rest of the scan's 256 bytes.
        .globl _host_object_description_unlocked
_host_object_description_unlocked:
        mov eax, dword ptr [_g_gameObjects]
        xor eax, eax
        ret
        .fill 256, 1, 0xCC
