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
