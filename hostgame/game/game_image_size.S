# Room for the game's data at fixed addresses: the real game's image is larger than
# 0x91C3C0 bytes, and the plug-in scans all of it.
        .bss
        .balign 4096
        .globl _g_gameDataArea
_g_gameDataArea:
        .space 0x920000
