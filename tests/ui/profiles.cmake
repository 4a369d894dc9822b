# profiles window tests
