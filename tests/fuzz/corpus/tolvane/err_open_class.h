class A {
  int x