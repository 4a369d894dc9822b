# options tests
