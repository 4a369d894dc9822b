# profile build options dialog
