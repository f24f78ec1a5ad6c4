/* serve <port> <program>: runs <program> for every TCP connection to
 * <port>, each in a process of its own with the connection as its standard
 * input and output, however many arrive at once. The emulated machine's
 * agent answers the host this way. busybox's "nc -ll -e" did it before,
 * with a listen backlog of 2 (its count of -l); with it, two bring-ups in
 * five under TCG, whose five warm-ups connected together, lost a command
 * that never ran in the guest while the host waited for it forever. A
 * connection beyond that queue, dropped in the guest after QEMU's user
 * network had taken it on the host's side, is the likeliest way; it did
 * not happen again here to prove it, so this listener takes any number
 * and the host waits for an answer only so long. Built static by
 * scripts/make_vm, since the guest's initramfs has no C library. */
#include <netinet/in.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

int main(int argc, char **argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: serve <port> <program>\n");
    return 2;
  }
  struct sockaddr_in address = {.sin_family = AF_INET,
                                .sin_port = htons((unsigned short)atoi(argv[1])),
                                .sin_addr.s_addr = htonl(INADDR_ANY)};
  int one = 1, listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener < 0 || setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
      bind(listener, (struct sockaddr *)&address, sizeof address) != 0 ||
      listen(listener, SOMAXCONN) != 0) {
    perror("serve");
    return 1;
  }
  /* The programs are never waited for: no zombies. */
  signal(SIGCHLD, SIG_IGN);
  for (;;) {
    int connection = accept(listener, NULL, NULL);
    if (connection < 0) continue;
    if (fork() == 0) {
      signal(SIGCHLD, SIG_DFL);
      dup2(connection, 0);
      dup2(connection, 1);
      if (connection > 1) close(connection);
      execl(argv[2], argv[2], (char *)NULL);
      _exit(127);
    }
    close(connection);
  }
}
