/* Whether this machine's kernel runs 32-bit x86 code, as Wine's WoW64 mode
 * enters it: a far return to the 32-bit user code selector (0x23), and a
 * far jump back to 64-bit code (0x33) that exits with status 0. A kernel
 * that runs no 32-bit code kills this process with a general protection
 * fault instead (SIGSEGV), so run it as a child and read its status. */
#include <string.h>
#include <sys/mman.h>

int main(void) {
  /* Both pieces of code must lie below 4 GiB for the 32-bit one to jump. */
  unsigned char *page = mmap(0, 4096, PROT_READ | PROT_WRITE | PROT_EXEC,
                             MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
  if (page == MAP_FAILED) return 2;
  unsigned int back = (unsigned int)(unsigned long)(page + 16);
  unsigned char code32[] = {0xea, 0, 0, 0, 0, 0x33, 0x00}; /* jmp far 0x33:back */
  unsigned char code64[] = {0xb8, 0xe7, 0, 0, 0, /* mov eax, exit_group */
                            0x31, 0xff,          /* xor edi, edi */
                            0x0f, 0x05};         /* syscall */
  memcpy(code32 + 1, &back, 4);
  memcpy(page, code32, sizeof code32);
  memcpy(page + 16, code64, sizeof code64);
  __asm__ volatile("pushq $0x23\n\tpushq %0\n\tlretq" ::"r"((unsigned long)page));
  return 3;
}
