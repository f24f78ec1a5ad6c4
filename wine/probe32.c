/* Whether this machine's kernel runs 32-bit x86 code, as Wine's WoW64 mode
 * enters it: a far return to the 32-bit user code selector (0x23), and a
 * far jump back to 64-bit code (0x33). A kernel that runs no 32-bit code
 * kills the process that tries with a general protection fault (SIGSEGV),
 * so a child tries and this reads how it ended:
 *   0  it runs 32-bit code
 *   1  it runs none: the child died of the general protection fault
 *   2  the probe itself failed, which says nothing either way; it says why */
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

static int try_32bit_code(void) {
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

int main(void) {
  pid_t child = fork();
  if (child < 0) {
    perror("probe32: fork");
    return 2;
  }
  if (child == 0) _exit(try_32bit_code());
  int status;
  if (waitpid(child, &status, 0) != child) {
    perror("probe32: waitpid");
    return 2;
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return 0;
  if (WIFSIGNALED(status) && WTERMSIG(status) == SIGSEGV) return 1;
  if (WIFSIGNALED(status))
    fprintf(stderr, "probe32: the probe died of signal %d, which says nothing of 32-bit code\n",
            WTERMSIG(status));
  else
    fprintf(stderr, "probe32: the probe failed (status %d): %s\n", WEXITSTATUS(status),
            WEXITSTATUS(status) == 2 ? "no memory below 4 GiB" : "its far jump came back");
  return 2;
}
