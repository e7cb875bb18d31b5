/* A qemu TCG plugin that fails a run at the first unaligned halfword or
 * word access made by the device image's code, as the device does: its
 * kernel switches the processor's alignment checking on and does not fix
 * such accesses up, while qemu-arm performs them silently.
 *
 *   qemu-arm -plugin libalignment_check.so,low=ADDRESS,high=ADDRESS ...
 *
 * Only instructions in [low, high), the image's code, are watched; the
 * loader's own code is not. On an unaligned access the plugin names the
 * access, its address and the instruction on standard error and ends the
 * process with status 5.
 *
 * Debian ships no plugin header, so the few declarations of qemu's plugin
 * API (version 1, as in qemu 7.2) that this uses are written out here. */
#include <inttypes.h>
#include <stdbool.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

typedef uint64_t qemu_plugin_id_t;
typedef uint32_t qemu_plugin_meminfo_t;
struct qemu_plugin_tb;
struct qemu_plugin_insn;
typedef struct qemu_info_t qemu_info_t;
enum qemu_plugin_cb_flags { QEMU_PLUGIN_CB_NO_REGS, QEMU_PLUGIN_CB_R_REGS, QEMU_PLUGIN_CB_RW_REGS };
enum qemu_plugin_mem_rw { QEMU_PLUGIN_MEM_R = 1, QEMU_PLUGIN_MEM_W, QEMU_PLUGIN_MEM_RW };
typedef void (*qemu_plugin_vcpu_tb_trans_cb_t)(qemu_plugin_id_t id, struct qemu_plugin_tb *tb);
typedef void (*qemu_plugin_vcpu_mem_cb_t)(unsigned int vcpu_index, qemu_plugin_meminfo_t info, uint64_t vaddr,
                                          void *userdata);

void qemu_plugin_register_vcpu_tb_trans_cb(qemu_plugin_id_t id, qemu_plugin_vcpu_tb_trans_cb_t cb);
size_t qemu_plugin_tb_n_insns(const struct qemu_plugin_tb *tb);
struct qemu_plugin_insn *qemu_plugin_tb_get_insn(const struct qemu_plugin_tb *tb, size_t idx);
uint64_t qemu_plugin_insn_vaddr(const struct qemu_plugin_insn *insn);
char *qemu_plugin_insn_disas(const struct qemu_plugin_insn *insn);
void qemu_plugin_register_vcpu_mem_cb(struct qemu_plugin_insn *insn, qemu_plugin_vcpu_mem_cb_t cb,
                                      enum qemu_plugin_cb_flags flags, enum qemu_plugin_mem_rw rw, void *userdata);
unsigned int qemu_plugin_mem_size_shift(qemu_plugin_meminfo_t info);
bool qemu_plugin_mem_is_store(qemu_plugin_meminfo_t info);

__attribute__((visibility("default"))) int qemu_plugin_version = 1;

static uint64_t code_low, code_high;

/* What is known of one watched instruction, for the report. */
struct watched {
    uint64_t address;
    char *text;
};

static void on_access(unsigned int vcpu, qemu_plugin_meminfo_t info, uint64_t address, void *userdata)
{
    (void)vcpu;
    unsigned size = 1u << qemu_plugin_mem_size_shift(info);
    if (size == 1 || (address & (size - 1)) == 0) return;
    const struct watched *insn = userdata;
    fprintf(stderr, "unaligned %u-byte %s at 0x%08" PRIx64 " by the image's instruction at 0x%08" PRIx64 ": %s\n",
            size, qemu_plugin_mem_is_store(info) ? "write" : "read", address, insn->address, insn->text);
    fflush(stderr);
    _exit(5);
}

static void on_translation(qemu_plugin_id_t id, struct qemu_plugin_tb *tb)
{
    (void)id;
    size_t count = qemu_plugin_tb_n_insns(tb);
    for (size_t i = 0; i < count; ++i) {
        struct qemu_plugin_insn *insn = qemu_plugin_tb_get_insn(tb, i);
        uint64_t address = qemu_plugin_insn_vaddr(insn);
        if (address < code_low || address >= code_high) continue;
        struct watched *w = malloc(sizeof *w);
        if (!w) abort();
        w->address = address;
        w->text = qemu_plugin_insn_disas(insn);
        qemu_plugin_register_vcpu_mem_cb(insn, on_access, QEMU_PLUGIN_CB_NO_REGS, QEMU_PLUGIN_MEM_RW, w);
    }
}

__attribute__((visibility("default"))) int qemu_plugin_install(qemu_plugin_id_t id, const qemu_info_t *info,
                                                               int argc, char **argv)
{
    (void)info;
    for (int i = 0; i < argc; ++i) {
        if (strncmp(argv[i], "low=", 4) == 0) code_low = strtoull(argv[i] + 4, NULL, 0);
        if (strncmp(argv[i], "high=", 5) == 0) code_high = strtoull(argv[i] + 5, NULL, 0);
    }
    if (code_low >= code_high) {
        fprintf(stderr, "alignment check: give the image's code as low=ADDRESS,high=ADDRESS\n");
        return -1;
    }
    qemu_plugin_register_vcpu_tb_trans_cb(id, on_translation);
    return 0;
}
