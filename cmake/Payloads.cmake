# The files the installer carries come from one list, read by tools/payload_list.py:
# the payload folder's payloads.list, or this patch's own sixteen files.

# The largest total of payloads the 32-bit program carries: its image must fit, in one
# piece, into the address space beside the system DLLs, or it does not start. Measured
# under 32-bit Wine with tools/measure-ceiling (see docs/ceiling.md); a build for measuring
# may raise it with -DPAYLOAD_CEILING_MIB=.
if(NOT DEFINED PAYLOAD_CEILING_MIB)
    set(PAYLOAD_CEILING_MIB 1536)
endif()
