-- Balcora PDV - data model of the checkout (schema balcora, plus the three
-- gestao tables that the checkout reads locally).
--
-- Each "--SEQ nnnn" line opens a numbered block; a block runs once, when its
-- number is above cfg.seqatual, and is retried from its start when it failed.
-- Every block is a single batch (one implicit transaction) and is written so
-- that running it again over an existing database changes nothing.
-- Never renumber or edit a block that has shipped: add a new one (in
-- balcora2.sql) instead.
--
-- Texts are varchar of the width the program holds in memory; flags and
-- small codes (0-255) are smallint. Identity columns filled by the database
-- use sequences named <table>_<column>_seq, which the program reads back
-- with currval().

--SEQ 0001 schemas, bookkeeping and service tables
CREATE SCHEMA IF NOT EXISTS balcora;
CREATE SCHEMA IF NOT EXISTS gestao;

CREATE TABLE IF NOT EXISTS balcora.cfg (
    seqatual integer,
    dataatual1 text,
    dataatual2 text
);
INSERT INTO balcora.cfg (seqatual) SELECT 0 WHERE NOT EXISTS (SELECT 1 FROM balcora.cfg);

-- Settings store: section (chave), key (nome), value (valor).
CREATE TABLE IF NOT EXISTS balcora.registro (
    chave text,
    nome text,
    valor text
);
CREATE UNIQUE INDEX IF NOT EXISTS registro_keychave ON balcora.registro (chave, nome);

CREATE TABLE IF NOT EXISTS balcora.log (
    id_log serial,
    data timestamp without time zone DEFAULT now(),
    nome_cpd text,
    nome_usuario text,
    operacao text,
    tabela text,
    id text,
    descricao text,
    CONSTRAINT pk_log PRIMARY KEY (id_log)
);
CREATE INDEX IF NOT EXISTS log_keydata ON balcora.log (data);
CREATE INDEX IF NOT EXISTS log_keytabela ON balcora.log (tabela, id, data);

CREATE TABLE IF NOT EXISTS balcora.arquivo (
    ordem integer,
    nome text,
    pasta text,
    cod_md5 text
);
CREATE INDEX IF NOT EXISTS arquivo_keyordem ON balcora.arquivo (ordem);

-- Extra barcodes of a product. One scan stands for one unit unless the back
-- office says otherwise: its import writes only the code and the product.
CREATE TABLE IF NOT EXISTS balcora.codbarra (
    codigo text,
    id_produto integer,
    fator numeric DEFAULT 1
);
CREATE INDEX IF NOT EXISTS codbarra_keycodigo ON balcora.codbarra (codigo);
CREATE INDEX IF NOT EXISTS codbarra_keyid_produto ON balcora.codbarra (id_produto);
--RUN--

--SEQ 0002 fiscal records
CREATE TABLE IF NOT EXISTS balcora.empresa (
    id_empresa integer NOT NULL,
    nome varchar(30),
    razao_social varchar(60),
    endereco varchar(60),
    numero integer,
    bairro varchar(30),
    id_municipio integer,
    cnpj varchar(18),
    inscr_estadual varchar(15),
    inscr_municipal varchar(15),
    fax varchar(20),
    email varchar(60),
    nome_contato varchar(60),
    dt_bloq_estoque date,
    taxa_juros numeric(7,2),
    fc_juros varchar(1),
    serie_nf varchar(3),
    numero_nf integer,
    arq_mod_nf varchar(199),
    serie_gta varchar(2),
    id_portador_padrao integer,
    integrado_siscon varchar(1),
    cep integer,
    tp_amb_nfe smallint,
    certificado_digital varchar(199),
    serie_nfe integer,
    numero_nfe integer,
    telefone numeric(11,0),
    complemento varchar(40),
    cod_pais_ibge integer,
    nome_pais varchar(40),
    cnae_fiscal integer,
    moddocfiscal varchar(2),
    tipo_certificado varchar(2),
    gs1_prefixo_empresa varchar(9),
    gs1_unidade_fabril smallint,
    gs1_sequencial_sscc integer,
    serie_nf2 varchar(3),
    numero_nf2 integer,
    id_matriz integer,
    cod_ccusto_estoque integer,
    ativa smallint,
    bloq_estoque_negativo varchar(1),
    hash varchar(32),
    dt_estoque date,
    hr_estoque time,
    CONSTRAINT pk_empresas PRIMARY KEY (id_empresa)
);

-- The printer's id comes from the back office (or the printer form), so it
-- has no sequence.
CREATE TABLE IF NOT EXISTS balcora.maqecf (
    id_maqecf integer NOT NULL,
    id_empresa integer,
    numero integer,
    marca varchar(30),
    modelo varchar(30),
    porta_com smallint,
    modelo_doc_fiscal varchar(2),
    num_serie varchar(30),
    modelo_scanner smallint,
    porta_com_scanner smallint,
    situacao varchar(1),
    data_sit date,
    dt1 date,
    dt2 date,
    horario_verao smallint,
    gera_est_gerencial smallint,
    data_reducaoz date,
    num_prop_ecf smallint,
    cod_marca integer,
    cod_modelo integer,
    cod_versao integer,
    hash varchar(32),
    versao_sb varchar(10),
    data_sb date,
    hora_sb time,
    mf_adicional varchar(2),
    num_cred_ecf numeric(15,0),
    CONSTRAINT pk_maqecf PRIMARY KEY (id_maqecf)
);
CREATE UNIQUE INDEX IF NOT EXISTS maqecf_keynumero ON balcora.maqecf (numero, dt1);
CREATE UNIQUE INDEX IF NOT EXISTS maqecf_keynum_serie ON balcora.maqecf (num_serie);

CREATE TABLE IF NOT EXISTS balcora.modecf (
    id_modecf serial,
    cod_marca smallint,
    cod_modelo smallint,
    cod_versao smallint,
    marca varchar(20),
    modelo varchar(20),
    versao varchar(20),
    homologada smallint,
    mfd smallint,
    cv0909 smallint,
    CONSTRAINT pk_modecf PRIMARY KEY (id_modecf)
);
CREATE INDEX IF NOT EXISTS modecf_keycodigo ON balcora.modecf (cod_marca, cod_modelo, cod_versao);

-- id_cliente and id_vendedor stay NULL when the coupon has none.
CREATE TABLE IF NOT EXISTS balcora.cfiscal (
    id_cfiscal serial,
    id_empresa integer,
    id_maqecf integer,
    num_cro integer,
    numero integer,
    data date,
    id_cliente integer,
    vl_acrescimo numeric(13,2),
    vl_desconto numeric(13,2),
    total numeric(13,2),
    situacao varchar(1),
    op_cadastro varchar(12),
    op_emissao varchar(20),
    comissao numeric(13,2),
    forma_pag_com varchar(1),
    id_vendedor integer,
    cond_pagamento varchar(2),
    forma_pagamento varchar(2),
    vl_recebido numeric(13,2),
    num_ccf integer,
    dt_emissao_final date,
    hr_emissao_final time,
    gera_est_gerencial smallint,
    num_pv numeric(11,0),
    hash varchar(32),
    id_pedido integer,
    vl_trib_fed numeric(15,2),
    serie_nf varchar(3),
    numero_nf integer,
    dt_emissao_nf date,
    vl_trib_est numeric(15,2),
    vl_trib_mun numeric(15,2),
    CONSTRAINT pk_cfiscal PRIMARY KEY (id_cfiscal)
);
CREATE INDEX IF NOT EXISTS cfiscal_keyid_maqecf ON balcora.cfiscal (id_maqecf, num_cro, numero);
CREATE INDEX IF NOT EXISTS cfiscal_keynumero ON balcora.cfiscal (numero, id_cfiscal);
CREATE INDEX IF NOT EXISTS cfiscal_keycliente ON balcora.cfiscal (id_cliente, data, id_cfiscal);
CREATE INDEX IF NOT EXISTS cfiscal_keydata ON balcora.cfiscal (data, num_cro, numero);

CREATE TABLE IF NOT EXISTS balcora.cfiscald (
    id_cfiscald serial,
    id_cfiscal integer,
    num_item integer,
    id_produto integer,
    preco numeric(13,3),
    qtdade numeric(13,3),
    total numeric(13,2),
    vl_acrescimo numeric(13,2),
    vl_desconto numeric(13,2),
    st varchar(1),
    aliquota numeric(7,2),
    vl_base numeric(13,2),
    vl_imposto numeric(13,2),
    item_cancelado smallint,
    comissao numeric(9,2),
    descricao varchar(50),
    unidade varchar(6),
    totalizador varchar(7),
    hash varchar(32),
    vl_pis numeric(15,2),
    vl_cofins numeric(15,2),
    vl_trib_fed numeric(15,2),
    vl_trib_est numeric(15,2),
    vl_trib_mun numeric(15,2),
    CONSTRAINT pk_cfiscald PRIMARY KEY (id_cfiscald)
);
CREATE UNIQUE INDEX IF NOT EXISTS cfiscald_keyid_cfiscal ON balcora.cfiscald (id_cfiscal, num_item);

CREATE TABLE IF NOT EXISTS balcora.cfiscalfp (
    id_cfiscalfp serial,
    id_cfiscal integer,
    ordem integer,
    tipo varchar(2),
    numero integer,
    data date,
    valor numeric(13,2),
    nome_rede varchar(8),
    tipo_transacao smallint,
    nsu varchar(12),
    data_transacao date,
    hora_transacao time,
    cancelada smallint,
    tp_parcelamento smallint,
    qtd_parcelas smallint,
    num_coo integer,
    num_coo_cf integer,
    num_gnf integer,
    hash varchar(32),
    vl_troco numeric(13,2),
    CONSTRAINT pk_cfiscalfp PRIMARY KEY (id_cfiscalfp)
);
CREATE UNIQUE INDEX IF NOT EXISTS cfiscalfp_keyid_cfiscal ON balcora.cfiscalfp (id_cfiscal, ordem);

-- One Z-reduction record per printer and fiscal day.
CREATE TABLE IF NOT EXISTS balcora.reg60m (
    id_reg60m serial,
    id_empresa integer,
    id_maqecf integer,
    data date,
    num_coo_inicial integer,
    num_coo_final integer,
    num_cont_red_z integer,
    num_cont_reinicio integer,
    vl_venda_bruta numeric(13,2),
    vl_tot_geral numeric(13,2),
    vl_icms_debitado numeric(13,2),
    vl_iss_debitado numeric(13,2),
    dt_emissao date,
    hr_emissao time,
    num_coo integer,
    hash varchar(32),
    sit_blocox varchar(1),
    rec_blocox varchar(100),
    data_blocox date,
    hora_blocox time,
    CONSTRAINT pk_reg60m PRIMARY KEY (id_reg60m)
);
CREATE UNIQUE INDEX IF NOT EXISTS reg60m_keydata ON balcora.reg60m (data, id_maqecf);

CREATE TABLE IF NOT EXISTS balcora.reg60a (
    id_reg60a serial,
    id_reg60m integer,
    st_aliq varchar(8),
    vl_acumulado numeric(13,2),
    hash varchar(32),
    totalizador varchar(7),
    CONSTRAINT pk_reg60a PRIMARY KEY (id_reg60a)
);
CREATE UNIQUE INDEX IF NOT EXISTS reg60a_keyid_reg60m ON balcora.reg60a (id_reg60m, st_aliq);

CREATE TABLE IF NOT EXISTS balcora.docecf (
    id_docecf serial,
    id_empresa integer,
    id_maqecf integer,
    data date,
    tipo varchar(2),
    num_cro integer,
    num_coo integer,
    num_ccf integer,
    num_gnf integer,
    dt_emissao_final date,
    hr_emissao_final time,
    num_cdc integer,
    num_grg integer,
    nsu varchar(12),
    valor numeric(13,2),
    nomerede varchar(20),
    hash varchar(32),
    CONSTRAINT pk_docecf PRIMARY KEY (id_docecf)
);
CREATE INDEX IF NOT EXISTS docecf_keyid_maqecf ON balcora.docecf (id_maqecf, num_cro, num_coo);
CREATE INDEX IF NOT EXISTS docecf_keynum_gnf ON balcora.docecf (num_gnf, id_maqecf);

CREATE TABLE IF NOT EXISTS balcora.estoquex (
    id_estoquex serial,
    id_empresa integer,
    periodo date,
    sit_blocox varchar(1),
    rec_blocox varchar(100),
    data_blocox date,
    hora_blocox time,
    lib_env varchar(1),
    vl_tot_aquisicao numeric(13,2),
    vl_tot_icmsdebforne numeric(13,2),
    vl_bc_calcicmsst numeric(13,2),
    vl_tot_icmsst numeric(13,2),
    CONSTRAINT pk_estoquex PRIMARY KEY (id_estoquex)
);
CREATE UNIQUE INDEX IF NOT EXISTS estoquex_keyperiodo ON balcora.estoquex (id_empresa, periodo);

CREATE TABLE IF NOT EXISTS balcora.estinventario (
    id_estinventario serial,
    id_empresa integer,
    data date,
    id_produto integer,
    qtdade numeric(13,3),
    valor numeric(13,2),
    qt_tot_aquisicao numeric(13,3),
    vl_tot_aquisicao numeric(13,2),
    vl_tot_icmsdebforne numeric(13,2),
    vl_bc_calcicmsst numeric(13,2),
    vl_tot_icmsst numeric(13,2),
    CONSTRAINT pk_estinventario PRIMARY KEY (id_estinventario)
);
CREATE INDEX IF NOT EXISTS estinventario_keyid_produto ON balcora.estinventario (id_empresa, data, id_produto);

CREATE TABLE IF NOT EXISTS balcora.nf (
    id_nf serial,
    id_empresa integer,
    cnpj_emissor varchar(14),
    dt_emissao date,
    vl_subtotal numeric(13,2),
    vl_desconto numeric(13,2),
    tp_desconto varchar(1),
    vl_acrescimo numeric(13,2),
    tp_acrescimo varchar(1),
    vl_total numeric(15,2),
    ind_canc varchar(1),
    vl_canc_acresc numeric(13,2),
    ord_aplic_desc_acresc varchar(1),
    nome_adquirente varchar(60),
    cpf_cnpj_adquirente varchar(14),
    numero integer,
    serie varchar(3),
    chave_acesso_nfe varchar(44),
    tp_doc varchar(2),
    hash varchar(32),
    id_desrem integer,
    tipo_pagto varchar(2),
    bc_icms numeric(13,2),
    vl_icms numeric(13,2),
    status varchar(1),
    especie_docto varchar(5),
    vl_pis numeric(13,2),
    vl_cofins numeric(13,2),
    CONSTRAINT pk_nf PRIMARY KEY (id_nf)
);
CREATE INDEX IF NOT EXISTS nf_keydt_emissao ON balcora.nf (id_empresa, dt_emissao);

CREATE TABLE IF NOT EXISTS balcora.nfdet (
    id_nfdet serial,
    id_nf integer,
    num_item integer,
    cod_produto varchar(14),
    descricao varchar(100),
    unidade varchar(3),
    quantidade numeric(13,4),
    vl_unitario numeric(13,4),
    vl_desconto numeric(9,2),
    vl_acrescimo numeric(9,2),
    vl_total numeric(15,2),
    totalizador varchar(7),
    parametro_qtd smallint,
    parametro_unit smallint,
    hash varchar(32),
    cfop integer,
    cst_icms varchar(2),
    origem smallint,
    perc_red_bc_icms numeric(5,2),
    bc_icms numeric(13,2),
    aliq_icms numeric(9,2),
    vl_icms numeric(13,2),
    id_produto integer,
    id_st integer,
    vl_pis numeric(13,2),
    vl_cofins numeric(13,2),
    CONSTRAINT pk_nfdet PRIMARY KEY (id_nfdet)
);
CREATE UNIQUE INDEX IF NOT EXISTS nfdet_keyid_nf ON balcora.nfdet (id_nf, num_item);
--RUN--

--SEQ 0003 master data copied from the back office
-- Unique keys over optional values (a product without barcode, a customer
-- without CPF/CNPJ, a seller without login) leave the blank or zero "none"
-- out, so that many rows may lack the value.
CREATE TABLE IF NOT EXISTS balcora.produto (
    id_produto integer NOT NULL,
    codigo varchar(14),
    codigo_barras varchar(14),
    descricao varchar(50),
    unidade varchar(6),
    vendido_peso smallint,
    iat varchar(1),
    ippt varchar(1),
    preco_venda1 numeric(13,2),
    ecf_st varchar(1),
    ecf_aliquota numeric(5,2),
    ecf_cod_st varchar(4),
    qtd_estoque numeric(15,2),
    vl_estoque numeric(15,2),
    dt_estoque date,
    ativo smallint,
    data date,
    descr_det varchar(150),
    refer varchar(35),
    categ smallint,
    und_2 varchar(3),
    fator_2 numeric(13,3),
    grupo integer,
    subgr integer,
    marca integer,
    cod_st integer,
    taxa_margem1 numeric(9,5),
    taxa_margem2 numeric(9,5),
    taxa_margem3 numeric(9,5),
    preco_venda2 numeric(13,4),
    preco_venda3 numeric(13,4),
    preco_promocional smallint,
    preco_pratic_sug smallint,
    data_reajuste date,
    taxa_comissao numeric(7,2),
    temp_armaz numeric(13,4),
    pesol numeric(13,3),
    pesob numeric(13,3),
    id_est integer,
    ind_est numeric(13,3),
    da date,
    ha integer,
    qt_vol numeric(11,3),
    validade_dias numeric(13,4),
    pdv_exp smallint,
    pdv_abrev varchar(30),
    pdv_st smallint,
    pdv_depto smallint,
    vl_comis_und numeric(11,4),
    med_compr numeric(7,2),
    med_larg numeric(7,2),
    med_espe numeric(7,2),
    cod_ncm integer,
    obs varchar(40),
    est_minimo numeric(11,2),
    est_pedido numeric(11,2),
    est_maximo numeric(11,2),
    complemento varchar(40),
    dias_cura smallint,
    controlar_estoque smallint,
    local_estoque varchar(20),
    listar_pauta smallint,
    produto_grade smallint,
    preco_dif_grade smallint,
    id_gradev integer,
    id_gradeh integer,
    id_produto_grade integer,
    id_gradedetv integer,
    id_gradedeth integer,
    req_insumos_estrutura smallint,
    versao_estrutura varchar(10),
    peso_embal numeric(13,3),
    markup_despfixas1 numeric(7,2),
    markup_impostos1 numeric(7,2),
    markup_comissao1 numeric(7,2),
    markup_lucro1 numeric(7,2),
    markup_desconto1 numeric(7,2),
    markup_financ1 numeric(7,2),
    markup_frete1 numeric(7,2),
    permite_acessorios varchar(1),
    id_estlocal integer,
    desc_adic numeric(7,2),
    utilizacao varchar(256),
    origem smallint,
    cnpj_produtor varchar(14),
    codigo_selo varchar(7),
    qtd_selo_und integer,
    ex_tipi varchar(3),
    genero smallint,
    qtd_trib_ipi_und numeric(17,4),
    produto_especifico varchar(1),
    vl_unid_trib_ipi numeric(15,4),
    qtd_trib_pis_und numeric(17,4),
    vl_unid_trib_pis numeric(15,4),
    qtd_trib_pisst_und numeric(17,4),
    vl_unid_trib_pisst numeric(15,4),
    qtd_trib_cofins_und numeric(17,4),
    vl_unid_trib_cofins numeric(15,4),
    qtd_trib_cofinsst_und numeric(17,4),
    vl_unid_trib_cofinsst numeric(15,4),
    cod_class_servico integer,
    preco_max_cons numeric(13,2),
    hash varchar(32),
    aliq_pis numeric(5,2),
    aliq_cofins numeric(5,2),
    aliq_trib numeric(7,2),
    cest integer,
    aliq_federal numeric(7,2),
    aliq_estadual numeric(7,2),
    aliq_municipal numeric(7,2),
    CONSTRAINT produto_keyid PRIMARY KEY (id_produto)
);
CREATE UNIQUE INDEX IF NOT EXISTS produto_keycodigo ON balcora.produto (lower(codigo));
CREATE INDEX IF NOT EXISTS produto_keynome ON balcora.produto (descricao);
CREATE INDEX IF NOT EXISTS produto_keygrupo ON balcora.produto (grupo);
CREATE INDEX IF NOT EXISTS produto_keysubgr ON balcora.produto (subgr);
CREATE INDEX IF NOT EXISTS produto_keyrefer ON balcora.produto (refer);
CREATE UNIQUE INDEX IF NOT EXISTS produto_keycodigo_barras ON balcora.produto (lower(codigo_barras)) WHERE trim(codigo_barras) <> '';
CREATE UNIQUE INDEX IF NOT EXISTS produto_keyid_produto_grade ON balcora.produto (id_produto_grade, id_gradedetv, id_gradedeth) WHERE id_produto_grade <> 0;
CREATE INDEX IF NOT EXISTS produto_keyid_gradev ON balcora.produto (id_gradev);
CREATE INDEX IF NOT EXISTS produto_keyid_gradeh ON balcora.produto (id_gradeh);
CREATE INDEX IF NOT EXISTS produto_keyid_gradedetv ON balcora.produto (id_gradedetv);
CREATE INDEX IF NOT EXISTS produto_keyid_gradedeth ON balcora.produto (id_gradedeth);

-- Customers keyed at the checkout number from 950000 up, above the back
-- office's own codes; the import tells them apart by that range.
CREATE SEQUENCE IF NOT EXISTS balcora.cliente_id_cliente_seq AS integer START WITH 950000 MINVALUE 1;
CREATE TABLE IF NOT EXISTS balcora.cliente (
    id_cliente integer NOT NULL DEFAULT nextval('balcora.cliente_id_cliente_seq'),
    ativo smallint,
    pesso smallint,
    consfinal smallint,
    cgcpf varchar(18),
    suf_cgcpf varchar(3),
    inscr varchar(18),
    nome varchar(40),
    razao varchar(65),
    ender varchar(50),
    compl varchar(40),
    bairr varchar(20),
    cep varchar(9),
    id_municipio integer,
    e_ender varchar(50),
    e_bairr varchar(20),
    e_munic varchar(30),
    e_estad varchar(2),
    e_cep varchar(9),
    c_ender varchar(50),
    c_bairr varchar(20),
    c_munic varchar(30),
    c_estad varchar(2),
    c_cep varchar(9),
    e_mail varchar(40),
    grupo_eco varchar(30),
    dt_const date,
    no_reg varchar(10),
    dt_reg date,
    hor_descarga varchar(15),
    fat_anul numeric(15,2),
    cap_social numeric(15,2),
    cap_realiz numeric(15,2),
    cap_aberto smallint,
    con_ac_privado smallint,
    con_ac_nacional smallint,
    ramo_ativ varchar(50),
    cnae_fiscal integer,
    no_empregados integer,
    importa smallint,
    p_importa integer,
    exporta smallint,
    p_exporta integer,
    princ_produ1 varchar(35),
    princ_produ2 varchar(35),
    princ_produ3 varchar(35),
    perc_vendas1 numeric(7,2),
    perc_vendas2 numeric(7,2),
    perc_vendas3 numeric(7,2),
    n_suframa varchar(10),
    www varchar(40),
    praca varchar(40),
    ceppraca varchar(9),
    banc1 integer,
    banc2 integer,
    banc3 integer,
    agen1 varchar(8),
    agen2 varchar(8),
    agen3 varchar(8),
    nagen1 varchar(30),
    nagen2 varchar(30),
    nagen3 varchar(30),
    ct_nu integer,
    ct_se integer,
    ci1 varchar(2),
    ci2 integer,
    orgex varchar(5),
    uf varchar(2),
    dtemi date,
    ddd varchar(4),
    telef varchar(35),
    fax varchar(8),
    data date,
    vende integer,
    conta varchar(25),
    c_dm_nascto integer,
    c_fone varchar(20),
    con_f varchar(25),
    f_dm_nascto integer,
    f_fone varchar(20),
    c_ctb integer,
    c_ctb_consig integer,
    nasct date,
    sexo smallint,
    e_civ smallint,
    pai varchar(40),
    mae varchar(40),
    conju varchar(40),
    ocupa varchar(30),
    c_spc varchar(10),
    natur varchar(20),
    t_end integer,
    endereco_anterior varchar(60),
    l_tra varchar(40),
    end_empresa varchar(50),
    bairro_empresa varchar(40),
    id_municip_emp integer,
    fone_empresa varchar(30),
    dt_admissao date,
    t_ser integer,
    renda_mensal numeric(13,2),
    outras_rendas numeric(13,2),
    aluguel smallint,
    inscr_pro varchar(15),
    classe varchar(2),
    limcred numeric(13,2),
    tolatr integer,
    lib_cred smallint,
    forma_pag integer,
    dt_ult_verif date,
    alerta smallint,
    id_tipo integer,
    data_tipo date,
    inscr_suframa varchar(15),
    id_transportador integer,
    id_redespacho integer,
    redespacho_frete smallint,
    pessoa_aut1 varchar(60),
    perc_ramo_ativ numeric(7,2),
    num_endereco varchar(20),
    tx_desc_pedido numeric(5,2),
    tx_desc_fatura numeric(5,2),
    e_cnpj varchar(14),
    e_num_endereco varchar(20),
    obs_redespacho varchar(80),
    pessoa_aut2 varchar(60),
    pessoa_aut3 varchar(60),
    cpf_aut1 varchar(11),
    cpf_aut2 varchar(11),
    cpf_aut3 varchar(11),
    email_nfe varchar(40),
    cod_pais integer,
    cpf_conjuge varchar(14),
    indicador_ie smallint,
    CONSTRAINT cliente_keyid PRIMARY KEY (id_cliente)
);
ALTER SEQUENCE balcora.cliente_id_cliente_seq OWNED BY balcora.cliente.id_cliente;
CREATE INDEX IF NOT EXISTS cliente_keyrazao ON balcora.cliente (razao, id_cliente);
CREATE UNIQUE INDEX IF NOT EXISTS cliente_keycgc ON balcora.cliente (lower(cgcpf), lower(suf_cgcpf)) WHERE trim(cgcpf) <> '';
CREATE INDEX IF NOT EXISTS cliente_keyvende ON balcora.cliente (vende);
CREATE INDEX IF NOT EXISTS cliente_keyfanta ON balcora.cliente (lower(nome));

CREATE TABLE IF NOT EXISTS balcora.vendedor (
    id_vendedor integer NOT NULL,
    ativo smallint,
    tipo smallint,
    nome varchar(40),
    endereco varchar(40),
    bairro varchar(25),
    id_municipio integer,
    cep varchar(9),
    cpf_cnpj varchar(18),
    fone varchar(30),
    fax varchar(15),
    celular varchar(15),
    email varchar(40),
    data date,
    id_tipo integer,
    login varchar(12),
    origem_com smallint,
    taxa_com numeric(11,2),
    taxa_com2 numeric(11,2),
    forma_pag varchar(1),
    dt_nascimento date,
    dados_adicionais varchar(999),
    exp_sar smallint,
    id_supervisor integer,
    taxa_com_super numeric(7,2),
    forma_pag_super varchar(1),
    id_empresa integer,
    codigo integer,
    CONSTRAINT vendedor_keyid PRIMARY KEY (id_vendedor)
);
CREATE INDEX IF NOT EXISTS vendedor_keynome ON balcora.vendedor (nome);
CREATE UNIQUE INDEX IF NOT EXISTS vendedor_keylogin ON balcora.vendedor (lower(login)) WHERE trim(login) <> '';
CREATE UNIQUE INDEX IF NOT EXISTS vendedor_keycodigo ON balcora.vendedor (codigo, id_empresa) WHERE codigo <> 0;

CREATE TABLE IF NOT EXISTS balcora.itp (
    id_itp integer NOT NULL,
    id_produto integer,
    id_insumo integer,
    qtdade numeric(15,6),
    CONSTRAINT pk_itp PRIMARY KEY (id_itp)
);
CREATE UNIQUE INDEX IF NOT EXISTS itp_keyproduto ON balcora.itp (id_produto, id_insumo);

CREATE TABLE IF NOT EXISTS balcora.municipio (
    id_municipio integer NOT NULL,
    codigo_ibge integer,
    codigo_estadual integer,
    nome varchar(60),
    estado varchar(2),
    id_regiao integer,
    cst_frete_m3 numeric(13,2),
    populacao integer,
    codigo_federal integer,
    CONSTRAINT municipio_keyid PRIMARY KEY (id_municipio)
);
CREATE UNIQUE INDEX IF NOT EXISTS municipio_keycod_rais ON balcora.municipio (codigo_ibge) WHERE codigo_ibge <> 0;
CREATE INDEX IF NOT EXISTS municipio_keycodigo ON balcora.municipio (codigo_estadual);
CREATE INDEX IF NOT EXISTS municipio_keynome ON balcora.municipio (nome);
CREATE INDEX IF NOT EXISTS municipio_keyid_regiao ON balcora.municipio (id_regiao);

CREATE TABLE IF NOT EXISTS balcora.dav (
    id_dav serial,
    id_empresa integer,
    id_maqecf integer,
    numero integer,
    dt_emissao date,
    titulo varchar(30),
    valor numeric(15,2),
    nome_cliente varchar(40),
    cpf_cnpj_cliente numeric(15,0),
    num_coo_dav integer,
    num_coo_df integer,
    situacao varchar(1),
    CONSTRAINT pk_dav PRIMARY KEY (id_dav)
);
CREATE UNIQUE INDEX IF NOT EXISTS dav_keynumero ON balcora.dav (numero, id_empresa);
--RUN--

--SEQ 0004 tax rules and stock balances of the back-office schema gestao
CREATE TABLE IF NOT EXISTS gestao.st (
    id_st serial,
    id_empresa integer,
    codigo integer,
    descricao varchar(60),
    tp_operacao varchar(1),
    ativa smallint,
    cst_ipi varchar(2),
    classe_enq_ipi varchar(5),
    codigo_enq_ipi varchar(3),
    tp_calc_ipi varchar(1),
    aliq_ipi numeric(5,2),
    lancar_ipi smallint,
    calc_pis smallint,
    cst_pis varchar(2),
    tp_calc_pis varchar(1),
    aliq_pis numeric(5,2),
    tp_calc_pisst varchar(1),
    aliq_pisst numeric(5,2),
    calc_cofins smallint,
    cst_cofins varchar(2),
    tp_calc_cofins varchar(1),
    aliq_cofins numeric(5,2),
    tp_calc_cofinsst varchar(1),
    aliq_cofinsst numeric(5,2),
    taxa_bc_issqn numeric(7,2),
    aliq_issqn numeric(5,2),
    base_csll numeric(5,2),
    aliq_csll numeric(5,2),
    base_irpj numeric(5,2),
    aliq_irpj numeric(5,2),
    ecf_cod_st varchar(4),
    ecf_st varchar(1),
    ecf_aliquota numeric(5,2),
    credito_icms_simples smallint,
    tp_calc_issqn varchar(1),
    CONSTRAINT st_keyid PRIMARY KEY (id_st)
);
CREATE UNIQUE INDEX IF NOT EXISTS st_keycodigo ON gestao.st (codigo, id_empresa);
CREATE INDEX IF NOT EXISTS st_keydescricao ON gestao.st (descricao, id_st);

CREATE TABLE IF NOT EXISTS gestao.sticms (
    id_sticms serial,
    id_st integer,
    uf varchar(2),
    cst_icms smallint,
    modal_bc_icms varchar(1),
    perc_red_bc_icms numeric(5,2),
    perc_bc_icms numeric(7,2),
    aliq_icms numeric(5,2),
    modal_bc_icmsst varchar(1),
    aliq_icmsst numeric(5,2),
    perc_red_bc_icmsst numeric(5,2),
    perc_marg_vl_icmsst numeric(7,2),
    somar_icmsst_nf smallint,
    cod_mensagemnf1 integer,
    cod_mensagemnf2 integer,
    lancar_icms smallint,
    CONSTRAINT pk_sticms PRIMARY KEY (id_sticms)
);
CREATE UNIQUE INDEX IF NOT EXISTS sticms_keyid_st ON gestao.sticms (id_st, uf);

-- data (day of the balance) is what the stock copy filters the balances on.
CREATE TABLE IF NOT EXISTS gestao.estsaldo (
    id_estsaldo serial,
    id_empresa integer,
    id_estlocal integer,
    id_produto integer,
    variante varchar(30),
    validade varchar(10),
    qtdade numeric(17,3),
    valor numeric(17,2),
    custo_medio numeric(17,4),
    qtd_empenhada numeric(17,3),
    qtd_pedidos numeric(17,3),
    data date,
    CONSTRAINT pk_estsaldo PRIMARY KEY (id_estsaldo)
);
CREATE UNIQUE INDEX IF NOT EXISTS estsaldo_keyempresa ON gestao.estsaldo (id_empresa, id_estlocal, id_produto);
--RUN--

--SEQ 0005 views
-- Quantities sold per day and product: items of issued coupons that were
-- not cancelled. id_empresa comes last so that an export can keep the
-- companies apart; the first three columns are the view's contract.
CREATE OR REPLACE VIEW balcora.vmovestoque AS
SELECT c.data, d.id_produto, sum(d.qtdade) AS qtdade, c.id_empresa
  FROM balcora.cfiscal c
  JOIN balcora.cfiscald d ON d.id_cfiscal = c.id_cfiscal
 WHERE c.situacao = 'E'
   AND coalesce(d.item_cancelado, 0) <> 1
 GROUP BY c.data, d.id_produto, c.id_empresa;

CREATE OR REPLACE VIEW balcora.vlista_atividade AS
SELECT DISTINCT trim(ramo_ativ) AS atividade
  FROM balcora.cliente
 WHERE trim(coalesce(ramo_ativ, '')) <> ''
 ORDER BY 1;
--RUN--

--SEQ 0006 record hashes stored by the database
-- The program verifies these rows with the very same expressions evaluated
-- on the stored row, so each function must keep the expression untouched:
-- same columns, same order, same casts, same NULL behaviour (a NULL column
-- gives a NULL hash). Only the row reference becomes NEW.
CREATE OR REPLACE FUNCTION balcora.maqecf_hash() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    NEW.hash := MD5(NEW.num_serie);
    RETURN NEW;
END
$$;

CREATE OR REPLACE FUNCTION balcora.reg60m_hash() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    NEW.hash := MD5(NEW.id_maqecf::text||NEW.data||NEW.num_cont_red_z||NEW.num_coo||NEW.num_cont_reinicio||NEW.data||NEW.dt_emissao||NEW.hr_emissao||NEW.vl_venda_bruta);
    RETURN NEW;
END
$$;

-- The reduction counter comes from the reduction row as it is now; changing
-- it later leaves this row's stored hash behind, which the check reports.
CREATE OR REPLACE FUNCTION balcora.reg60a_hash() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    NEW.hash := MD5(NEW.id_reg60m||NEW.st_aliq||NEW.totalizador||NEW.vl_acumulado||(SELECT num_cont_red_z FROM balcora.reg60m WHERE id_reg60m=NEW.id_reg60m));
    RETURN NEW;
END
$$;

CREATE OR REPLACE FUNCTION balcora.nf_hash() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    NEW.hash := MD5(NEW.cnpj_emissor::text||NEW.dt_emissao::text||NEW.vl_subtotal::text||NEW.vl_desconto::text||NEW.vl_total::text||NEW.tp_doc||NEW.status||NEW.nome_adquirente::text||NEW.cpf_cnpj_adquirente::text||NEW.numero::text||NEW.serie||NEW.tipo_pagto||NEW.chave_acesso_nfe||NEW.vl_acrescimo::text);
    RETURN NEW;
END
$$;

-- The invoice part is read from the invoice row as it is now: an item must
-- be written (or touched) after its invoice's hashed columns settle.
CREATE OR REPLACE FUNCTION balcora.nfdet_hash() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    NEW.hash := MD5(NEW.id_nf::text||NEW.id_produto::text||NEW.num_item||NEW.cod_produto||NEW.descricao||NEW.quantidade||NEW.unidade||NEW.vl_unitario||NEW.vl_total||NEW.vl_desconto||NEW.vl_acrescimo||NEW.totalizador||(select MD5(tp_doc||status||numero::text||serie||dt_emissao||vl_total) from balcora.nf where id_nf=NEW.id_nf));
    RETURN NEW;
END
$$;

DROP TRIGGER IF EXISTS maqecf_hash ON balcora.maqecf;
CREATE TRIGGER maqecf_hash BEFORE INSERT OR UPDATE ON balcora.maqecf FOR EACH ROW EXECUTE PROCEDURE balcora.maqecf_hash();
DROP TRIGGER IF EXISTS reg60m_hash ON balcora.reg60m;
CREATE TRIGGER reg60m_hash BEFORE INSERT OR UPDATE ON balcora.reg60m FOR EACH ROW EXECUTE PROCEDURE balcora.reg60m_hash();
DROP TRIGGER IF EXISTS reg60a_hash ON balcora.reg60a;
CREATE TRIGGER reg60a_hash BEFORE INSERT OR UPDATE ON balcora.reg60a FOR EACH ROW EXECUTE PROCEDURE balcora.reg60a_hash();
DROP TRIGGER IF EXISTS nf_hash ON balcora.nf;
CREATE TRIGGER nf_hash BEFORE INSERT OR UPDATE ON balcora.nf FOR EACH ROW EXECUTE PROCEDURE balcora.nf_hash();
DROP TRIGGER IF EXISTS nfdet_hash ON balcora.nfdet;
CREATE TRIGGER nfdet_hash BEFORE INSERT OR UPDATE ON balcora.nfdet FOR EACH ROW EXECUTE PROCEDURE balcora.nfdet_hash();

-- The developer identification's digest is kept as the setting "hash" of
-- its section whenever one of its three parts changes. The triggers only
-- fire for those three keys, so writing "hash" itself does not recurse.
CREATE OR REPLACE FUNCTION balcora.registro_desenvolvedor_hash() RETURNS trigger LANGUAGE plpgsql AS $$
DECLARE
    developer_digest text;
BEGIN
    SELECT MD5((SELECT valor FROM balcora.registro WHERE chave='Desenvolvedor PAF-ECF' AND nome='cnpj') ||  (SELECT valor FROM balcora.registro WHERE chave='Desenvolvedor PAF-ECF' AND nome='nomesoft') ||  (COALESCE((SELECT valor FROM balcora.registro WHERE chave='Desenvolvedor PAF-ECF' AND nome='md5exe'),' ')))
      INTO developer_digest;
    UPDATE balcora.registro SET valor = developer_digest WHERE chave = 'Desenvolvedor PAF-ECF' AND nome = 'hash';
    IF NOT FOUND THEN
        INSERT INTO balcora.registro (chave, nome, valor) VALUES ('Desenvolvedor PAF-ECF', 'hash', developer_digest);
    END IF;
    RETURN NULL;
END
$$;

DROP TRIGGER IF EXISTS registro_desenvolvedor_ins ON balcora.registro;
CREATE TRIGGER registro_desenvolvedor_ins AFTER INSERT ON balcora.registro FOR EACH ROW
    WHEN (NEW.chave = 'Desenvolvedor PAF-ECF' AND NEW.nome IN ('cnpj', 'nomesoft', 'md5exe'))
    EXECUTE PROCEDURE balcora.registro_desenvolvedor_hash();
DROP TRIGGER IF EXISTS registro_desenvolvedor_upd ON balcora.registro;
CREATE TRIGGER registro_desenvolvedor_upd AFTER UPDATE ON balcora.registro FOR EACH ROW
    WHEN ((OLD.chave = 'Desenvolvedor PAF-ECF' AND OLD.nome IN ('cnpj', 'nomesoft', 'md5exe')) OR (NEW.chave = 'Desenvolvedor PAF-ECF' AND NEW.nome IN ('cnpj', 'nomesoft', 'md5exe')))
    EXECUTE PROCEDURE balcora.registro_desenvolvedor_hash();
DROP TRIGGER IF EXISTS registro_desenvolvedor_del ON balcora.registro;
CREATE TRIGGER registro_desenvolvedor_del AFTER DELETE ON balcora.registro FOR EACH ROW
    WHEN (OLD.chave = 'Desenvolvedor PAF-ECF' AND OLD.nome IN ('cnpj', 'nomesoft', 'md5exe'))
    EXECUTE PROCEDURE balcora.registro_desenvolvedor_hash();
--RUN--
