# general tests
