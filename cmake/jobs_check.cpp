// The jobs of one function folder, linked on their own (see vostrel_function_folder).
