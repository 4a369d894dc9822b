# plugin catalogue, install and uninstall
