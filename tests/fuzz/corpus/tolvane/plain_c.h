#ifndef X_H
#define X_H
#include <stddef.h>
typedef struct s { int a; char *b; } s_t;
extern int f(const char *p, ...);
static inline int g(void) { return '}' + "{"[0]; }
#endif
