@ Process start and system calls of the CE loader, a bare-ARM program that
@ runs as a Linux process under qemu-arm. ARMv4T ARM state; the loader's C++
@ is Thumb, reached through bx.
	.syntax unified
	.arm

	.section .text.start,"ax",%progbits
	.global _start
	.type _start, %function
_start:
	mov	r0, sp			@ argc, argv[], envp[] as the kernel left them
	bic	sp, sp, #7		@ the EABI wants an 8-byte aligned stack
	ldr	r3, =loader_start
	mov	lr, pc
	bx	r3
	b	.			@ loader_start never returns
	.size _start, . - _start

@ long linux_syscall(long number, long a, long b, long c, long d, long e, long f)
	.global linux_syscall
	.type linux_syscall, %function
linux_syscall:
	push	{r4, r5, r6, r7}
	mov	r7, r0
	mov	r0, r1
	mov	r1, r2
	mov	r2, r3
	ldr	r3, [sp, #16]
	ldr	r4, [sp, #20]
	ldr	r5, [sp, #24]
	ldr	r6, [sp, #28]
	svc	#0
	pop	{r4, r5, r6, r7}
	bx	lr
	.size linux_syscall, . - linux_syscall

@ unsigned long long call_image(unsigned target, const unsigned *words, unsigned count)
@ Calls into the image as the device does: the first four argument words in
@ r0-r3, the rest on the stack, and the stack pointer only 4-byte aligned
@ (4 mod 8), so that code assuming the EABI's 8 fails here too. The image
@ returns into Thumb code, as it does into a system DLL's: a return that
@ cannot switch state (mov pc, lr on ARMv4T) runs the two Thumb halfwords
@ as one ARM word, 0xe7fe4778, which ARMv4T and ARMv5 leave undefined.
@ Returns r0:r1.
	.global call_image
	.type call_image, %function
call_image:
	push	{r4, r5, r6, lr}
	mov	r4, sp
	mov	r6, r0			@ the target
	mov	r5, r1			@ the words
	subs	r3, r2, #4		@ words on the stack
	movlt	r3, #0
	sub	sp, sp, r3, lsl #2
	bic	sp, sp, #7
	sub	sp, sp, #4		@ 4 mod 8 at the call
1:	subs	r3, r3, #1
	bmi	2f
	add	ip, r3, #4
	ldr	ip, [r5, ip, lsl #2]
	str	ip, [sp, r3, lsl #2]
	b	1b
2:	cmp	r2, #1
	ldrge	r0, [r5]
	cmp	r2, #2
	ldrge	r1, [r5, #4]
	cmp	r2, #4
	ldrge	r3, [r5, #12]		@ r3 before r2, which holds the count
	cmp	r2, #3
	ldrge	r2, [r5, #8]
	adr	lr, 3f
	orr	lr, lr, #1		@ the return lands in Thumb state
	bx	r6
	.thumb
	.balign 4
3:	bx	pc			@ on to the ARM code 4 bytes on
	b	.			@ never run as Thumb; with bx pc it reads as an undefined ARM word
	.arm
	mov	sp, r4
	pop	{r4, r5, r6, lr}
	bx	lr
	.size call_image, . - call_image

@ The loader's functions that the image imports are reached through these
@ trampolines, one per export: trampoline i is at realign_trampolines + 8 i
@ and calls realign_targets[i]. Each aligns the stack to 8 for the loader's
@ own code, which the EABI compiled, and copies the four argument words
@ that the image may have left on the stack (no import takes more).
	.equ	REALIGN_TRAMPOLINES, 64	@ linux_runtime.h's kRealignTrampolines
	.equ	STACK_WORDS, 4
	.global realign_trampolines
	.type realign_trampolines, %function
realign_trampolines:
	.set	index, 0
	.rept	REALIGN_TRAMPOLINES
	mov	ip, #index
	b	realign_indexed
	.set	index, index + 1
	.endr
	.size realign_trampolines, . - realign_trampolines

realign_indexed:
	push	{r4, r5, r6, lr}
	ldr	r6, =realign_targets
	ldr	r6, [r6, ip, lsl #2]
	mov	r4, sp
	sub	sp, sp, #4 * STACK_WORDS
	bic	sp, sp, #7
	mov	r5, #STACK_WORDS
1:	subs	r5, r5, #1
	bmi	2f
	add	lr, r4, #16		@ the caller's stack arguments, past the four saved words
	ldr	lr, [lr, r5, lsl #2]
	str	lr, [sp, r5, lsl #2]
	b	1b
2:	mov	lr, pc
	bx	r6
	mov	sp, r4
	pop	{r4, r5, r6, lr}
	bx	lr
	.ltorg
