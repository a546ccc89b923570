/* The compiled resource script, embedded whole: the program registers it
   as its module's resources. ORVASSE_RES_FILE is the .res to include. */
    .section .rodata.orvasse_res, "a"
    .balign 16
    .globl orvasse_res_begin
    .type orvasse_res_begin, @object
orvasse_res_begin:
    .incbin ORVASSE_RES_FILE
    .globl orvasse_res_end
    .type orvasse_res_end, @object
orvasse_res_end:
    .size orvasse_res_begin, orvasse_res_end - orvasse_res_begin

/* Data only: the stack need not be executable. */
    .section .note.GNU-stack, "", @progbits
