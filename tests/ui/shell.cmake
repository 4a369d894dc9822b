# shell window tests
