# message table, start-up, single instance, Qt user interface
