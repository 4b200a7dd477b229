/* Does nothing: the floor for the time Wine takes to start and end a program. */
int main(void) { return 0; }
